#include "controls/KXCtrls.h"

#include "platform/ControlEvents.h"
#include "platform/ExceptionDisplay.h"
#include "storage/KxTimer.h"
#include "storage/kxVclutils.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QThread>
#include <QWindow>
#include <limits>
#include <optional>

using platform::clBtnFace;
using platform::clBtnHighlight;
using platform::clBtnShadow;
using platform::clWindowFrame;
using platform::ToQColor;

namespace {

int rightOf(const QRect& r) {
    return r.x() + r.width();
}

int bottomOf(const QRect& r) {
    return r.y() + r.height();
}

QRect fromEdges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

QPoint shadowOffset(TShadowPosition position, int size) {
    switch (position) {
    case spLeftTop:
        return {-size, -size};
    case spLeftBottom:
        return {-size, size};
    case spRightBottom:
        return {size, size};
    default:
        return {size, -size};
    }
}

// The rectangle the text needs, from the rectangle's top-left corner.
QRect measured(const QPainter& painter, const QRect& rect, int format, const QString& text) {
    const int flags = (format & ~Qt::AlignHorizontal_Mask & ~Qt::AlignVertical_Mask) |
                      Qt::AlignLeft | Qt::AlignTop;
    const QRect bounds = painter.fontMetrics().boundingRect(
        QRect(rect.x(), rect.y(), std::max(rect.width(), 0), 0), flags, text);
    return QRect(rect.topLeft(), bounds.size());
}

// Runs one of the control's events, its exceptions shown; false when the event deleted the
// control, which nothing may touch afterwards.
bool survives(QObject* control, const std::function<void()>& event) {
    return platform::Survives(control, [&] { platform::RunGuarded(event); });
}

// The same from one of the control's Qt events, which ends there when the control is gone.
bool survives(QObject* control, QEvent& source, const std::function<void()>& event) {
    return platform::Survives(control, source, [&] { platform::RunGuarded(event); });
}

// A key sequence for the caption's accelerator, or none.
QKeySequence acceleratorOf(const QString& caption) {
    return QKeySequence::mnemonic(caption);
}

// The accelerator of a label or a speed button. `place` stands in the window's tab order for
// its owner: a label's focus control, a button itself.
class TAccelerator : public QShortcut {
public:
    TAccelerator(const QKeySequence& key, QWidget* owner, QWidget* place,
                 std::function<void()> press)
        : QShortcut(key, owner), owner_(owner), place_(place), press_(std::move(press)) {
        // A letter that several controls share is always the first one's.
        connect(this, &QShortcut::activated, this, [this] { pressFirstSharing(); });
        connect(this, &QShortcut::activatedAmbiguously, this, [this] { pressFirstSharing(); });
    }

private:
    void pressFirstSharing() {
        // A copy: the press may delete the accelerator with its owner.
        const std::function<void()> press = firstSharing()->press_;
        press();
    }

    TAccelerator* firstSharing() {
        QWidget* window = owner_->window();
        QHash<const QWidget*, int> order;
        int position = 0;
        QWidget* widget = window;
        do {
            order.insert(widget, position++);
            widget = widget->nextInFocusChain();
        } while (widget && widget != window);
        const auto rank = [&order](const TAccelerator* a) {
            return order.value(a->place_.data(), std::numeric_limits<int>::max());
        };
        TAccelerator* first = this;
        for (QShortcut* other : window->findChildren<QShortcut*>()) {
            auto* candidate = dynamic_cast<TAccelerator*>(other);
            if (candidate && candidate != this && candidate->key() == key() &&
                candidate->isEnabled() && candidate->owner_->isVisible() &&
                candidate->owner_->isEnabled() && rank(candidate) < rank(first))
                first = candidate;
        }
        return first;
    }

    QWidget* owner_;
    QPointer<QWidget> place_;
    std::function<void()> press_;
};

} // namespace

int DrawShadowText(QPainter& DC, const QString& Text, QRect& Rect, int Format, int ShadowSize,
                   TColor ShadowColor, TShadowPosition ShadowPos, bool Calculate) {
    QRect textRect = Rect;
    QRect shadowRect = Rect.translated(shadowOffset(ShadowPos, ShadowSize));
    int height = 0;
    if (Calculate) {
        textRect = measured(DC, textRect, Format, Text);
        shadowRect = measured(DC, shadowRect, Format, Text);
        height = shadowRect.height();
    } else {
        const QPen textPen = DC.pen();
        DC.setPen(ToQColor(ShadowColor));
        height = measured(DC, shadowRect, Format, Text).height();
        DC.drawText(shadowRect, Format, Text);
        DC.setPen(textPen);
        DC.drawText(textRect, Format, Text);
    }
    Rect = textRect.united(shadowRect);
    return height > 0 ? height + ShadowSize : height;
}

QRect DrawSpeedButtonFrame(QPainter& Canvas, const QRect& Client, bool IsDown, bool IsFlat,
                           TButtonStyle Style) {
    const bool newStyle = Style != bsWin31;
    QRect rect = Client;
    const auto frame = [&](TColor topLeft, TColor bottomRight) {
        platform::Frame3D(Canvas, rect, topLeft, bottomRight);
    };
    if (!IsDown) {
        if (newStyle && IsFlat) {
            frame(clBtnHighlight, clBtnShadow);
        } else if (newStyle) {
            frame(clBtnHighlight, clWindowFrame);
            frame(clBtnFace, clBtnShadow);
        } else if (IsFlat) {
            frame(clBtnHighlight, clWindowFrame);
        } else {
            frame(clWindowFrame, clWindowFrame);
            frame(clBtnHighlight, clBtnShadow);
        }
    } else if (IsFlat) {
        frame(clWindowFrame, clBtnHighlight);
    } else if (newStyle) {
        frame(clWindowFrame, clBtnHighlight);
        frame(clBtnShadow, clBtnFace);
    } else {
        frame(clWindowFrame, clWindowFrame);
        Canvas.save();
        Canvas.setPen(ToQColor(clBtnShadow));
        platform::PolyLine(Canvas, {QPoint(rect.left(), bottomOf(rect) - 1), rect.topLeft(),
                                    QPoint(rightOf(rect), rect.top())});
        Canvas.restore();
        rect.adjust(1, 1, -1, -1);
    }
    return rect.adjusted(1, 1, -1, -1);
}

// ---- TKxCustomLabel ----

TKxCustomLabel::TKxCustomLabel(QWidget* parent)
    : QWidget(parent), TControlEvents(this), TDragControl(this, this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(65, 17);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { focusChanged(now); });
}

template <class T> void TKxCustomLabel::changeLook(T& field, T value) {
    if (field == value)
        return;
    field = value;
    update();
}

template <class T> void TKxCustomLabel::changeSize(T& field, T value) {
    if (field == value)
        return;
    field = value;
    AdjustBounds();
    update();
}

void TKxCustomLabel::SetCaption(const QString& Value) {
    if (caption_ == Value)
        return;
    caption_ = Value;
    updateAccelerator();
    AdjustBounds();
    update();
}

void TKxCustomLabel::SetAlignment(TAlignment Value) {
    changeLook(alignment_, Value);
}

void TKxCustomLabel::SetAutoSize(bool Value) {
    changeSize(autoSize_, Value);
}

void TKxCustomLabel::SetLayout(TTextLayout Value) {
    changeLook(layout_, Value);
}

void TKxCustomLabel::SetShadowColor(TColor Value) {
    changeLook(shadowColor_, Value);
}

void TKxCustomLabel::SetShadowSize(int Value) {
    changeSize(shadowSize_, std::clamp(Value, 0, 255));
}

void TKxCustomLabel::SetShadowPos(TShadowPosition Value) {
    changeLook(shadowPos_, Value);
}

void TKxCustomLabel::SetWordWrap(bool Value) {
    changeSize(wordWrap_, Value);
}

void TKxCustomLabel::SetShowAccelChar(bool Value) {
    changeLook(showAccelChar_, Value);
    updateAccelerator();
}

void TKxCustomLabel::SetShowFocus(bool Value) {
    changeLook(showFocus_, Value);
}

void TKxCustomLabel::SetLeftMargin(int Value) {
    changeSize(leftMargin_, std::max(Value, 0));
}

void TKxCustomLabel::SetRightMargin(int Value) {
    changeSize(rightMargin_, std::max(Value, 0));
}

void TKxCustomLabel::SetColor(TColor Value) {
    parentColor_.Set(false);
    showColor(Value);
}

void TKxCustomLabel::showColor(TColor Value) {
    if (color_ == Value)
        return;
    changeLook(color_, Value);
    platform::NotifyColorChanged(this);
}

void TKxCustomLabel::SetFontColor(TColor Value) {
    changeLook(fontColor_, Value);
}

void TKxCustomLabel::SetTransparent(bool Value) {
    if (transparent_ == Value)
        return;
    transparent_ = Value;
    // Transparent: Qt paints the parent under the label first.
    setAttribute(Qt::WA_OpaquePaintEvent, !Value);
    update();
}

void TKxCustomLabel::SetFocusControl(QWidget* Value) {
    if (focusControl_)
        disconnect(focusControl_, &QObject::destroyed, this, nullptr);
    focusControl_ = Value;
    if (Value)
        connect(Value, &QObject::destroyed, this, [this] {
            focusControl_ = nullptr;
            updateAccelerator();
        });
    updateAccelerator();
}

void TKxCustomLabel::updateAccelerator() {
    delete std::exchange(accelerator_, nullptr);
    const QKeySequence key = acceleratorOf(caption_);
    // Without a focus control the letter stays free for the window's other controls.
    if (!showAccelChar_ || key.isEmpty() || !focusControl_)
        return;
    accelerator_ = new TAccelerator(key, this, focusControl_, [this] {
        if (focusControl_ && isEnabled() && focusControl_->isEnabled())
            focusControl_->setFocus(Qt::ShortcutFocusReason);
    });
}

void TKxCustomLabel::focusChanged(QWidget* now) {
    const bool focused = focusControl_ && focusControl_ == now;
    if (focused == focused_)
        return;
    focused_ = focused;
    if (showFocus_)
        update();
}

void TKxCustomLabel::DoDrawText(QPainter& painter, QRect& rect, int flags, bool calculate) {
    QString text = GetLabelCaption();
    if (calculate && (text.isEmpty() || (showAccelChar_ && text == QStringLiteral("&"))))
        text += ' ';
    if (showAccelChar_)
        flags |= Qt::TextShowMnemonic;
    painter.setFont(font());
    TColor fontColor = GetDefaultFontColor();
    TColor shadowColor = shadowColor_;
    int shadowSize = shadowSize_;
    TShadowPosition shadowPos = shadowPos_;
    if (!isEnabled()) {
        if (shadowSize == 0) {
            shadowSize = 1;
            shadowPos = spRightBottom;
        }
        fontColor = platform::clGrayText;
        shadowColor = clBtnHighlight;
    }
    painter.setPen(ToQColor(fontColor));
    DrawShadowText(painter, text, rect, flags, shadowSize, shadowColor, shadowPos, calculate);
}

QRect TKxCustomLabel::marginRect() const {
    return fromEdges(leftMargin_ + 1, 0, width() - rightMargin_ - 1, height());
}

void TKxCustomLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!isEnabled())
        dragging_ = false;
    if (!transparent_)
        painter.fillRect(rect(), ToQColor(color_));
    QRect area = marginRect();
    const int flags = Qt::TextExpandTabs | Qt::AlignTop | AlignmentFlags(alignment_) |
                      (wordWrap_ ? Qt::TextWordWrap : 0);
    if (layout_ != tlTop) {
        DoDrawText(painter, area, flags, true);
        area = fromEdges(leftMargin_, area.top(), width() - rightMargin_, bottomOf(area));
        const int shift = height() - bottomOf(area);
        area.translate(0, layout_ == tlBottom ? shift : shift / 2);
    }
    DoDrawText(painter, area, flags, false);
    if (showFocus_ && focusControl_ && focused_) {
        painter.setPen(QPen(ToQColor(platform::clWindowText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(-1, -1, 0, 0));
    }
}

void TKxCustomLabel::AdjustBounds() {
    if (!autoSize_)
        return;
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    QRect area = marginRect();
    DoDrawText(painter, area,
               Qt::TextExpandTabs | Qt::AlignTop | Qt::AlignLeft |
                   (wordWrap_ ? Qt::TextWordWrap : 0),
               true);
    const int right = rightOf(area) + rightMargin_ + 1;
    const int bottom = bottomOf(area);
    int x = this->x();
    TAlignment alignment = alignment_;
    if (layoutDirection() == Qt::RightToLeft && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    if (alignment == taRightJustify)
        x += width() - right;
    setGeometry(x, y(), right, bottom);
}

void TKxCustomLabel::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TKxCustomLabel::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TKxCustomLabel::UpdateTracking() {
    const bool inside =
        isEnabled() && QApplication::widgetAt(QCursor::pos()) == this && IsForegroundTask();
    if (inside == mouseInside_)
        return;
    mouseInside_ = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TKxCustomLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        AdjustBounds();
        update();
    } else if (event->type() == QEvent::EnabledChange) {
        update();
        UpdateTracking();
    }
}

void TKxCustomLabel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateTracking();
}

void TKxCustomLabel::enterEvent(QEnterEvent*) {
    if (!mouseInside_ && isEnabled() && IsForegroundTask()) {
        mouseInside_ = true;
        MouseEnter();
    }
}

void TKxCustomLabel::leaveEvent(QEvent*) {
    if (mouseInside_ && isEnabled() && !dragging_) {
        mouseInside_ = false;
        MouseLeave();
    }
}

void TKxCustomLabel::mousePressEvent(QMouseEvent* event) {
    if (AutoDragPress(*event) || !MouseDown(*event))
        return;
    if (event->button() == Qt::LeftButton)
        dragging_ = true;
    else if (event->button() == Qt::RightButton)
        UpdateTracking();
}

void TKxCustomLabel::mouseMoveEvent(QMouseEvent* event) {
    if (!DragMouseMove(*event))
        MouseMove(*event);
}

// The click comes before the release's own event.
void TKxCustomLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (DragMouseRelease(*event))
        return;
    if (event->button() == Qt::LeftButton) {
        const bool click = dragging_ && rect().contains(event->position().toPoint());
        dragging_ = false;
        if (click && OnClick && !survives(this, *event, [this] { OnClick(this); }))
            return;
    }
    if (MouseUp(*event))
        UpdateTracking();
}

// The second press of a double click comes after the double click itself.
void TKxCustomLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (AutoDragPress(*event))
        return;
    if (OnDblClick && !survives(this, *event, [this] { OnDblClick(this); }))
        return;
    MouseDown(*event);
}

// ---- TKxSpeedButton ----

TKxSpeedButton::TKxSpeedButton(QWidget* parent)
    : QWidget(parent), TControlEvents(this), TDragControl(this, this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(25, 25);
    glyph_.OnChange = [this] { update(); };
}

TKxSpeedButton::~TKxSpeedButton() = default;

template <class T> void TKxSpeedButton::changeLook(T& field, T value) {
    if (field == value)
        return;
    field = value;
    update();
}

void TKxSpeedButton::SetCaption(const QString& Value) {
    if (caption_ == Value)
        return;
    caption_ = Value;
    updateAccelerator();
    update();
}

void TKxSpeedButton::SetGroupIndex(int Value) {
    if (groupIndex_ == Value)
        return;
    groupIndex_ = Value;
    UpdateExclusive();
}

void TKxSpeedButton::SetStyle(TButtonStyle Value) {
    changeLook(style_, Value);
}

void TKxSpeedButton::SetFlat(bool Value) {
    changeLook(flat_, Value);
}

void TKxSpeedButton::SetAllowAllUp(bool Value) {
    if (allowAllUp_ == Value)
        return;
    allowAllUp_ = Value;
    UpdateExclusive();
}

void TKxSpeedButton::SetLayout(TButtonLayout Value) {
    changeLook(layout_, Value);
}

void TKxSpeedButton::SetSpacing(int Value) {
    changeLook(spacing_, Value);
}

void TKxSpeedButton::SetMargin(int Value) {
    if (Value >= -1)
        changeLook(margin_, Value);
}

void TKxSpeedButton::SetTransparent(bool Value) {
    changeLook(transparent_, Value);
}

void TKxSpeedButton::SetMarkDropDown(bool Value) {
    changeLook(markDropDown_, Value);
}

void TKxSpeedButton::SetDropDownMenu(platform::TPopupMenu* Value) {
    if (dropDownMenu_ == Value)
        return;
    dropDownMenu_ = Value;
    if (markDropDown_)
        update();
}

void TKxSpeedButton::SetGrayedInactive(bool Value) {
    changeLook(grayedInactive_, Value);
}

void TKxSpeedButton::SetAllowTimer(bool Value) {
    allowTimer_ = Value;
    if (!Value)
        delete std::exchange(repeatTimer_, nullptr);
}

void TKxSpeedButton::SetGlyph(const platform::TBitmap& Value) {
    glyph_.SetGlyph(Value);
    update();
}

void TKxSpeedButton::SetNumGlyphs(TKxNumGlyphs Value) {
    Value = std::clamp(Value, 1, 5);
    if (Value == glyph_.NumGlyphs())
        return;
    glyph_.SetNumGlyphs(Value);
    update();
}

void TKxSpeedButton::SetWordWrap(bool Value) {
    changeLook(glyph_.WordWrap, Value);
}

void TKxSpeedButton::SetAlignment(TAlignment Value) {
    changeLook(glyph_.Alignment, Value);
}

void TKxSpeedButton::SetFontColor(TColor Value) {
    changeLook(fontColor_, Value);
}

void TKxSpeedButton::updateAccelerator() {
    delete std::exchange(accelerator_, nullptr);
    const QKeySequence key = acceleratorOf(caption_);
    if (key.isEmpty())
        return;
    accelerator_ = new TAccelerator(key, this, this, [this] {
        if (isEnabled())
            platform::RunGuarded([this] { Click(); });
    });
}

void TKxSpeedButton::SetDown(bool Value) {
    if (groupIndex_ == 0)
        Value = false;
    if (Value == down_ || (down_ && !allowAllUp_))
        return;
    down_ = Value;
    if (Value) {
        if (state_ == rbsUp)
            update();
        state_ = rbsExclusive;
    } else {
        state_ = rbsUp;
    }
    repaint();
    if (Value)
        UpdateExclusive();
    update();
}

void TKxSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !parentWidget())
        return;
    for (auto* sibling : parentWidget()->findChildren<TKxSpeedButton*>(Qt::FindDirectChildrenOnly))
        if (sibling != this)
            sibling->ButtonPressed(groupIndex_, this);
}

void TKxSpeedButton::ButtonPressed(int group, TKxSpeedButton* sender) {
    if (group != groupIndex_)
        return;
    if (sender->down_ && down_) {
        // Raised directly, so a group never has two buttons down.
        down_ = false;
        state_ = rbsUp;
        repaint();
    }
    allowAllUp_ = sender->allowAllUp_;
}

bool TKxSpeedButton::inside(QPoint pos) const {
    return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

void TKxSpeedButton::paintEvent(QPaintEvent*) {
    if (!isEnabled()) {
        state_ = rbsDisabled;
        dragging_ = false;
    } else if (state_ == rbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? rbsExclusive : rbsUp;
    }
    TKxButtonState paintState = state_;
    if (flat_ && !mouseInside_)
        paintState = rbsInactive;

    QPixmap buffer(size());
    QPainter canvas(&buffer);
    canvas.setFont(font());
    canvas.fillRect(buffer.rect(), ToQColor(clBtnFace));
    if (transparent_)
        CopyParentImage(this, canvas);
    QRect area = buffer.rect();
    if (paintState != rbsInactive || state_ == rbsExclusive)
        area = DrawSpeedButtonFrame(canvas, area, state_ == rbsDown || state_ == rbsExclusive,
                                    flat_, style_);
    else if (flat_)
        area.adjust(2, 2, -2, -2);
    if (state_ == rbsExclusive && !transparent_ && (!flat_ || paintState == rbsInactive)) {
        const QImage pattern = CreateTwoColorsBrushPattern(clBtnFace, clBtnHighlight).Image();
        canvas.setBrushOrigin(0, 0);
        canvas.fillRect(area.adjusted(-1, -1, 1, 1), QBrush(pattern));
    }
    if (state_ == rbsDown || state_ == rbsExclusive)
        area.translate(1, 1);
    if (state_ == rbsDisabled || !grayedInactive_)
        paintState = state_;
    canvas.setPen(ToQColor(fontColor_));
    PaintGlyph(canvas, area, paintState, markDropDown_ && dropDownMenu_);
    canvas.end();
    QPainter(this).drawPixmap(0, 0, buffer);
}

void TKxSpeedButton::PaintGlyph(QPainter& Canvas, const QRect& ARect, TKxButtonState AState,
                                bool DrawMark) {
    int flags = AlignmentFlags(glyph_.Alignment) | Qt::TextShowMnemonic;
    if (layoutDirection() == Qt::RightToLeft && glyph_.Alignment != taCenter)
        flags ^= Qt::AlignLeft | Qt::AlignRight;
    glyph_.Draw(Canvas, ARect, caption_, layout_, margin_, spacing_, DrawMark, AState, flags);
}

void TKxSpeedButton::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TKxSpeedButton::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TKxSpeedButton::UpdateTracking() {
    const bool now =
        isEnabled() && QApplication::widgetAt(QCursor::pos()) == this && IsForegroundTask();
    if (now == mouseInside_)
        return;
    setMouseInside(now);
}

bool TKxSpeedButton::setMouseInside(bool now) {
    mouseInside_ = now;
    if (!platform::Survives(this, [this, now] { now ? MouseEnter() : MouseLeave(); }))
        return false;
    if (flat_ && now)
        repaint();
    else if (flat_)
        update();
    return true;
}

void TKxSpeedButton::enterEvent(QEnterEvent* event) {
    if (mouseInside_ || !isEnabled() || !IsForegroundTask())
        return;
    if (!setMouseInside(true))
        event->accept();
}

void TKxSpeedButton::leaveEvent(QEvent* event) {
    if (!mouseInside_ || !isEnabled() || dragging_)
        return;
    if (!setMouseInside(false))
        event->accept();
}

QPoint TKxSpeedButton::GetDropDownMenuPos() const {
    if (!dropDownMenu_)
        return {0, 0};
    const auto alignment = dropDownMenu_->Alignment;
    if (alignment == platform::TPopupMenu::paCenter)
        return {width() / 2, height()};
    if (MenuPosition == dmpBottom)
        return alignment == platform::TPopupMenu::paLeft ? QPoint(-1, height())
                                                         : QPoint(width() + 1, height());
    return alignment == platform::TPopupMenu::paLeft ? QPoint(width(), -1) : QPoint(-1, -1);
}

namespace {

// The press that closed a pop-up menu: Qt does not hand it on to what lies under the pointer,
// so the menu's opener does.
class ClosingPress : public QObject {
public:
    ClosingPress() { qApp->installEventFilter(this); }
    ~ClosingPress() override { qApp->removeEventFilter(this); }

    // Posts the press to the window under the pointer, as the window system would have, and
    // returns that window; none when a modal window blocks it.
    QWindow* PassOn() const {
        QWidget* target = press_ ? QApplication::widgetAt(press_->globalPos) : nullptr;
        QWindow* window = target ? target->window()->windowHandle() : nullptr;
        const QWidget* modal = QApplication::activeModalWidget();
        if (!window || (modal && modal != target->window()))
            return nullptr;
        const QPointF local = window->mapFromGlobal(press_->globalPos);
        QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonPress, local, local,
                                                            press_->globalPos, press_->button,
                                                            press_->buttons, press_->modifiers));
        return window;
    }
    bool LeftPressInside(const QWidget& widget) const {
        if (!press_ || press_->button != Qt::LeftButton)
            return false;
        return widget.rect().contains(widget.mapFromGlobal(press_->globalPos));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A double click's second press comes as a press too; the double click after it is
        // not passed on alone.
        auto* popup = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::MouseButtonPress || !popup || popup->windowType() != Qt::Popup)
            return false;
        // A menu hands a press over its parent menu on to it: the last one decides.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (popup->rect().contains(mouse->position().toPoint()))
            press_.reset();
        else
            press_ = Press{mouse->globalPosition().toPoint(), mouse->button(), mouse->buttons(),
                           mouse->modifiers()};
        return false;
    }

private:
    struct Press {
        QPoint globalPos;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
    };
    std::optional<Press> press_;
};

} // namespace

bool TKxSpeedButton::CheckMenuDropDown(QPoint Pos, bool Manual) {
    if (!dropDownMenu_ || (!dropDownMenu_->AutoPopup && !Manual))
        return false;
    dropDownMenu_->PopupComponent = this;
    // Qt's own replay stays off everywhere, so that the button passes the closing press on once.
    dropDownMenu_->setAttribute(Qt::WA_NoMouseReplay);
    dropDownMenu_->Popup(mapToGlobal(Pos));
    return true;
}

bool TKxSpeedButton::CheckBtnMenuDropDown() {
    return CheckMenuDropDown(GetDropDownMenuPos(), true);
}

void TKxSpeedButton::mousePressEvent(QMouseEvent* event) {
    if (menuTracking_ || AutoDragPress(*event) || !MouseDown(*event))
        return;
    if (!mouseInside_ && isEnabled()) {
        mouseInside_ = true;
        repaint();
    }
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        if (event->button() == Qt::RightButton)
            UpdateTracking();
        return;
    }
    if (!down_) {
        state_ = rbsDown;
        repaint();
    }
    dragging_ = true;
    menuTracking_ = true;
    const QPoint pos = event->position().toPoint();
    // The menu's items may delete the button while it is open.
    const QPointer<TKxSpeedButton> alive(this);
    const bool survived = survives(this, *event, [&] {
        const ClosingPress closing;
        if (CheckMenuDropDown(GetDropDownMenuPos(), false) && alive)
            DoMouseUp(Qt::LeftButton, pos);
        QWindow* passedTo = closing.PassOn();
        // The click that closed the menu over this button does not press it again.
        if (alive && passedTo && closing.LeftPressInside(*this)) {
            KillMessage(passedTo, QEvent::MouseButtonPress);
            KillMessage(passedTo, QEvent::MouseButtonDblClick);
        }
    });
    if (!survived)
        return;
    menuTracking_ = false;
    if (allowTimer_) {
        if (!repeatTimer_) {
            repeatTimer_ = new TKxTimer(this);
            repeatTimer_->SetOnTimer([this](TKxTimer*) { TimerExpired(); });
        }
        repeatTimer_->SetInterval(InitPause);
        repeatTimer_->SetEnabled(true);
    }
}

void TKxSpeedButton::TimerExpired() {
    repeatTimer_->SetInterval(RepeatInterval);
    if (state_ != rbsDown || !dragging_)
        return;
    const QPointer<TKxSpeedButton> alive(this);
    try {
        Click();
    } catch (...) {
        if (alive)
            repeatTimer_->SetEnabled(false);
        throw;
    }
}

void TKxSpeedButton::mouseMoveEvent(QMouseEvent* event) {
    if (DragMouseMove(*event) || !MouseMove(*event) || !dragging_)
        return;
    TKxButtonState next = rbsUp;
    if (down_)
        next = rbsExclusive;
    else if (inside(event->position().toPoint()))
        next = rbsDown;
    if (next != state_) {
        state_ = next;
        repaint();
    }
}

// The release's own event comes before the click.
void TKxSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    if (DragMouseRelease(*event) || !MouseUp(*event))
        return;
    const QPoint pos = event->position().toPoint();
    if (!survives(this, *event, [&] { DoMouseUp(event->button(), pos); }))
        return;
    if (repeatTimer_)
        repeatTimer_->SetEnabled(false);
    if (event->button() == Qt::RightButton)
        UpdateTracking();
}

void TKxSpeedButton::DoMouseUp(Qt::MouseButton Button, QPoint Pos) {
    if (!dragging_ || Button != Qt::LeftButton)
        return;
    dragging_ = false;
    const bool in = inside(Pos);
    if (groupIndex_ == 0) {
        state_ = rbsUp;
        mouseInside_ = false;
        if (in)
            repaint();
        else
            update();
    } else if (in) {
        SetDown(!down_);
        if (down_)
            repaint();
    } else {
        if (down_)
            state_ = rbsExclusive;
        repaint();
    }
    if (in && !menuTracking_ && !survives(this, [this] { Click(); }))
        return;
    UpdateTracking();
}

void TKxSpeedButton::Click() {
    const QPointer<TKxSpeedButton> alive(this);
    if (auto* dialog = qobject_cast<QDialog*>(window()); dialog && ModalResult != 0)
        dialog->done(ModalResult);
    if (!alive)
        return;
    if (OnClick)
        OnClick(this);
    else if (action_)
        action_->trigger();
}

void TKxSpeedButton::SetAction(QAction* Value) {
    if (action_)
        disconnect(action_, nullptr, this, nullptr);
    action_ = Value;
    if (!Value)
        return;
    connect(Value, &QAction::changed, this, [this] { ActionChange(action_, false); });
    ActionChange(Value, true);
}

void TKxSpeedButton::ActionChange(QAction* Sender, bool CheckDefaults) {
    if (!Sender)
        return;
    SetCaption(Sender->text());
    setEnabled(Sender->isEnabled());
    setVisible(Sender->isVisible());
    setToolTip(Sender->toolTip());
    if ((!CheckDefaults || !down_) && groupIndex_ != 0)
        SetDown(Sender->isChecked());
    const QList<QSize> sizes = Sender->icon().availableSizes();
    if (glyph_.Glyph().Empty() && !sizes.isEmpty()) {
        // The action's picture on fuchsia, fuchsia its transparent colour.
        platform::TBitmap picture(sizes.first().width(), sizes.first().height(),
                                  platform::clFuchsia);
        QPainter painter(&picture.Image());
        Sender->icon().paint(&painter, picture.Image().rect());
        painter.end();
        picture.SetTransparentColor(platform::clFuchsia);
        SetGlyph(picture);
    }
}

void TKxSpeedButton::ButtonClick() {
    if (menuTracking_ || !isEnabled() || (dropDownMenu_ && dropDownMenu_->AutoPopup))
        return;
    if (!down_) {
        state_ = rbsDown;
        repaint();
    }
    // Long enough for the pressed face to be seen.
    QThread::msleep(20);
    if (groupIndex_ == 0 && !survives(this, [this] { Click(); }))
        return;
    state_ = rbsUp;
    if (groupIndex_ == 0) {
        repaint();
    } else {
        SetDown(!down_);
        platform::RunGuarded([this] { Click(); });
    }
}

void TKxSpeedButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (menuTracking_ || !platform::Survives(this, *event, [&] { mousePressEvent(event); }))
        return;
    if (down_ && OnDblClick)
        survives(this, *event, [this] { OnDblClick(this); });
}

void TKxSpeedButton::buildFirstImage() {
    glyph_.CreateButtonGlyph(!isEnabled() ? rbsDisabled : flat_ ? rbsInactive : rbsUp);
}

void TKxSpeedButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange: {
        buildFirstImage();
        const QPointer<TKxSpeedButton> alive(this);
        UpdateTracking();
        if (alive)
            repaint();
        break;
    }
    case QEvent::FontChange:
        update();
        break;
    case QEvent::PaletteChange:
        glyph_.Invalidate();
        update();
        break;
    default:
        break;
    }
}

void TKxSpeedButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    buildFirstImage();
    UpdateTracking();
}
