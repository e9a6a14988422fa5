#include "controls/KxDrawGrid.h"

#include "platform/ControlEvents.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "storage/Apputils.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <chrono>

namespace {

// The options of a new grid: fixed and cell lines, focus drawing of the selected cell, column
// sizing.
constexpr TGridOptions kxDefaultOptions =
    goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goDrawFocusSelected | goColSizing;
constexpr int pickListRows = 8;
constexpr std::int64_t searchPause = 4000;
constexpr int searchLimit = 32;

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Qt::Alignment HorizontalOf(TAlignment align) {
    switch (align) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

// Raised (or sunken) inner edges, as the fixed cells and the ellipsis button show them.
void DrawEdge(QPainter& painter, const QRect& rect, bool sunken) {
    const QColor light = platform::ToQColor(platform::clBtnHighlight);
    const QColor dark = platform::ToQColor(platform::clBtnShadow);
    painter.setPen(sunken ? dark : light);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(sunken ? light : dark);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

} // namespace

// --- TPopupListbox ---

TPopupListbox::TPopupListbox(QWidget* editor) : QListWidget(editor), Clock(SteadyMilliseconds) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(2);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int TPopupListbox::ItemHeight() const {
    return fontMetrics().height();
}

void TPopupListbox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Escape) {
        searchText_.clear();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() <= 255) {
        const std::int64_t now = Clock();
        if (now - searchTime_ > searchPause)
            searchText_.clear();
        searchTime_ = now;
        if (searchText_.size() < searchLimit)
            searchText_ += text;
        for (int i = 0; i < count(); ++i)
            if (item(i)->text().startsWith(searchText_, Qt::CaseInsensitive)) {
                setCurrentRow(i);
                break;
            }
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TPopupListbox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        OnCloseUp)
        OnCloseUp(true);
}

// --- TKxInplaceEdit ---

TKxInplaceEdit::TKxInplaceEdit(TKxDrawGrid* grid)
    : TInplaceEdit(grid), buttonWidth_(style()->pixelMetric(QStyle::PM_ScrollBarExtent)) {
    setMouseTracking(true);
    UpdateMargins();
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!updating_)
            KxGrid()->EditChanged();
    });
}

TKxInplaceEdit::~TKxInplaceEdit() = default;

TKxDrawGrid* TKxInplaceEdit::KxGrid() const {
    return static_cast<TKxDrawGrid*>(Grid());
}

void TKxInplaceEdit::SetAlignment(TAlignment value) {
    alignment_ = value;
    setAlignment(HorizontalOf(value) | Qt::AlignVCenter);
}

void TKxInplaceEdit::SetEditStyle(TEditStyle value) {
    if (editStyle_ == value)
        return;
    CloseUp(false);
    editStyle_ = value;
    activeList_ = value == esPickList ? PickList() : nullptr;
    UpdateMargins();
    update();
}

TPopupListbox* TKxInplaceEdit::PickList() {
    if (!pickList_) {
        pickList_ = new TPopupListbox(this);
        pickList_->OnCloseUp = [this](bool accept) { CloseUp(accept); };
    }
    return pickList_;
}

void TKxInplaceEdit::UpdateMargins() {
    setTextMargins(2, 2, 2 + (HasButton() ? buttonWidth_ : 0), 0);
}

QRect TKxInplaceEdit::ButtonRect() const {
    return {width() - buttonWidth_, 0, buttonWidth_, height()};
}

void TKxInplaceEdit::UpdateContents() {
    updating_ = true;
    TKxDrawGrid* grid = KxGrid();
    SetAlignment(grid->GetEditAlignment(grid->Col(), grid->Row()));
    SetEditStyle(grid->GetEditStyle(grid->Col(), grid->Row()));
    TInplaceEdit::UpdateContents();
    updating_ = false;
}

void TKxInplaceEdit::DropDown() {
    if (listVisible_ || !activeList_)
        return;
    TPopupListbox* list = activeList_;
    list->setPalette(palette());
    list->setFont(font());
    list->clear();
    QStringList items;
    KxGrid()->GetPicklist(Grid()->Col(), Grid()->Row(), items);
    const int rowHeight = list->ItemHeight();
    int textWidth = 0;
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, list);
        item->setSizeHint(QSize(list->fontMetrics().horizontalAdvance(text), rowHeight));
        textWidth = std::max(textWidth, list->fontMetrics().horizontalAdvance(text) + 4);
    }
    const int frame = 2 * list->frameWidth();
    int clientWidth = std::max(width() - frame, textWidth);
    if (items.size() > pickListRows) {
        clientWidth += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    const int listHeight = int(std::min<qsizetype>(items.size(), pickListRows)) * rowHeight + 4;
    list->setFixedSize(clientWidth + frame, listHeight);
    const int current = int(items.indexOf(text()));
    list->setCurrentRow(current);
    if (current < 0)
        list->clearSelection();
    QPoint place = mapToGlobal(QPoint(0, height()));
    const QScreen* screen = this->screen();
    if (screen && place.y() + listHeight > screen->geometry().bottom())
        place.setY(mapToGlobal(QPoint(0, 0)).y() - listHeight);
    list->move(place);
    list->show();
    list->raise();
    listVisible_ = true;
    update();
}

void TKxInplaceEdit::CloseUp(bool Accept) {
    if (!listVisible_ || !activeList_)
        return;
    if (QWidget::mouseGrabber())
        QWidget::mouseGrabber()->releaseMouse();
    const QListWidgetItem* current = activeList_->currentItem();
    const QString value = current ? current->text() : QString();
    activeList_->hide();
    listVisible_ = false;
    StopTracking();
    if (Accept && current && KxGrid()->CanEditModify())
        setText(value);
    update();
}

void TKxInplaceEdit::StopTracking() {
    tracking_ = false;
    pressed_ = false;
    update();
}

void TKxInplaceEdit::paintEvent(QPaintEvent* event) {
    TInplaceEdit::paintEvent(event);
    if (!HasButton())
        return;
    QPainter painter(this);
    const QRect button = ButtonRect();
    painter.fillRect(button, platform::ToQColor(platform::clBtnFace));
    if (editStyle_ == esEllipsis) {
        if (!pressed_)
            DrawEdge(painter, button.adjusted(0, 0, -1, -1), false);
        const int gap = std::clamp((buttonWidth_ - 12) / 2, 1, 3);
        const int dotsWidth = 3 * 2 + 2 * gap;
        const int x = button.left() + (button.width() - dotsWidth) / 2 + (pressed_ ? 1 : 0);
        const int y = button.top() + (button.height() - 2) / 2;
        for (int i = 0; i < 3; ++i)
            painter.fillRect(x + i * (2 + gap), y, 2, 2, Qt::black);
        return;
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = button;
    option.state |= pressed_ ? QStyle::State_Sunken : QStyle::State_Raised;
    if (!activeList_)
        option.state &= ~QStyle::State_Enabled;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    option.rect = button.adjusted(3, 3, -3, -3).translated(pressed_ ? 1 : 0, pressed_ ? 1 : 0);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
}

void TKxInplaceEdit::keyPressEvent(QKeyEvent* event) {
    if (editStyle_ == esPickList) {
        const bool alt = event->modifiers() & Qt::AltModifier;
        const int key = event->key();
        if (alt && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            if (listVisible_)
                CloseUp(true);
            else
                DropDown();
            return;
        }
        if (listVisible_ && !alt &&
            (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
            CloseUp(key != Qt::Key_Escape);
            return;
        }
        if (listVisible_) {
            QApplication::sendEvent(activeList_, event);
            return;
        }
    }
    TInplaceEdit::keyPressEvent(event);
}

void TKxInplaceEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && HasButton() &&
        ButtonRect().contains(event->position().toPoint())) {
        if (listVisible_) {
            CloseUp(false);
            return;
        }
        tracking_ = true;
        pressed_ = true;
        update();
        if (activeList_)
            DropDown();
        return;
    }
    TInplaceEdit::mousePressEvent(event);
}

void TKxInplaceEdit::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (HasButton() && ButtonRect().contains(point))
        setCursor(Qt::ArrowCursor);
    else
        setCursor(Qt::IBeamCursor);
    if (!tracking_) {
        TInplaceEdit::mouseMoveEvent(event);
        return;
    }
    if (listVisible_) {
        const QPoint inList = activeList_->viewport()->mapFromGlobal(mapToGlobal(point));
        if (activeList_->viewport()->rect().contains(inList)) {
            StopTracking();
            QMouseEvent press(QEvent::MouseButtonPress, inList, activeList_->mapToGlobal(inList),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(activeList_->viewport(), &press);
            return;
        }
    }
    const bool inside = ButtonRect().contains(point);
    if (inside != pressed_) {
        pressed_ = inside;
        update();
    }
}

void TKxInplaceEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (!tracking_) {
        TInplaceEdit::mouseReleaseEvent(event);
        return;
    }
    const bool wasPressed = pressed_;
    StopTracking();
    if (event->button() == Qt::LeftButton && editStyle_ == esEllipsis && wasPressed)
        KxGrid()->EditButtonClick();
}

void TKxInplaceEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (HasButton() && ButtonRect().contains(event->position().toPoint()))
        return;
    TInplaceEdit::mouseDoubleClickEvent(event);
}

void TKxInplaceEdit::focusOutEvent(QFocusEvent* event) {
    CloseUp(false);
    TInplaceEdit::focusOutEvent(event);
}

void TKxInplaceEdit::hideEvent(QHideEvent* event) {
    CloseUp(false);
    TInplaceEdit::hideEvent(event);
}

// --- TKxDrawGrid ---

TKxDrawGrid::TKxDrawGrid(QWidget* parent) : TDrawGrid(parent) {
    SetDefaultRowHeight(18);
    SetOptions(kxDefaultOptions);
    iniLink_.OnSave = [this](TIniLink* sender) { IniSave(sender); };
    iniLink_.OnLoad = [this](TIniLink* sender) { IniLoad(sender); };
}

TKxDrawGrid::~TKxDrawGrid() = default;

void TKxDrawGrid::SetFixedButtons(bool value) {
    if (fixedButtons_ != value) {
        fixedButtons_ = value;
        InvalidateGrid();
    }
}

void TKxDrawGrid::DrawPicture(const QRect& Rect, const QPixmap& Graphic) {
    if (!Canvas() || Graphic.isNull())
        return;
    Canvas()->save();
    Canvas()->setClipRect(Rect, Qt::IntersectClip);
    Canvas()->drawPixmap(Rect.left() + (Rect.width() - Graphic.width()) / 2,
                         Rect.top() + (Rect.height() - Graphic.height()) / 2, Graphic);
    Canvas()->restore();
}

void TKxDrawGrid::DrawMasked(const QRect& Rect, const QImage& Bitmap) {
    if (Bitmap.isNull())
        return;
    QPixmap masked = QPixmap::fromImage(Bitmap);
    const QColor transparent = Bitmap.pixelColor(0, Bitmap.height() - 1);
    masked.setMask(masked.createMaskFromColor(transparent, Qt::MaskInColor));
    DrawPicture(Rect, masked);
}

void TKxDrawGrid::DrawStr(const QRect& Rect, const QString& S, TAlignment Align) {
    if (Canvas())
        DrawCellTextEx(*Canvas(), Rect, S, HorizontalOf(Align), vaCenter, false);
}

void TKxDrawGrid::DrawMultiline(const QRect& Rect, const QString& S, TAlignment Align) {
    if (Canvas())
        DrawCellTextEx(*Canvas(), Rect, S, HorizontalOf(Align), vaTopJustify, true);
}

bool TKxDrawGrid::IsActiveControl() const {
    if (!parentWidget())
        return hasFocus();
    const QWidget* focus = window()->focusWidget();
    return focus == this;
}

void TKxDrawGrid::IniSave(TIniLink*) {
    if (!objectName().isEmpty() && iniLink_.IniObject())
        InternalSaveGridLayout(this, iniLink_.IniObject(),
                               iniLink_.RootSection() + GetDefaultSection(this));
}

void TKxDrawGrid::IniLoad(TIniLink*) {
    if (!objectName().isEmpty() && iniLink_.IniObject())
        InternalRestoreGridLayout(this, iniLink_.IniObject(),
                                  iniLink_.RootSection() + GetDefaultSection(this));
}

TAlignment TKxDrawGrid::GetEditAlignment(int ACol, int ARow) {
    TAlignment alignment = taLeftJustify;
    if (OnGetEditAlign)
        OnGetEditAlign(this, ACol, ARow, alignment);
    return alignment;
}

TEditStyle TKxDrawGrid::GetEditStyle(int ACol, int ARow) {
    TEditStyle editStyle = esSimple;
    if (OnGetEditStyle)
        OnGetEditStyle(this, ACol, ARow, editStyle);
    return editStyle;
}

void TKxDrawGrid::GetPicklist(int ACol, int ARow, QStringList& PickList) {
    if (OnGetPicklist)
        OnGetPicklist(this, ACol, ARow, PickList);
}

void TKxDrawGrid::EditButtonClick() {
    if (OnEditButtonClick)
        OnEditButtonClick(this);
}

void TKxDrawGrid::EditChanged() {
    if (OnEditChange)
        OnEditChange(this);
}

bool TKxDrawGrid::CanEditAcceptKey(QChar Key) {
    return OnAcceptEditKey ? OnAcceptEditKey(this, Key) : TDrawGrid::CanEditAcceptKey(Key);
}

bool TKxDrawGrid::CanEditShow() {
    bool allow = TDrawGrid::CanEditShow();
    if (allow && OnShowEditor)
        OnShowEditor(this, Col(), Row(), allow);
    return allow;
}

int TKxDrawGrid::GetEditLimit() {
    int limit = TDrawGrid::GetEditLimit();
    if (OnGetEditLimit)
        OnGetEditLimit(this, limit);
    return limit;
}

void TKxDrawGrid::SetEditText(int ACol, int ARow, const QString& Value) {
    if (!cancelling_)
        TDrawGrid::SetEditText(ACol, ARow, Value);
}

TInplaceEdit* TKxDrawGrid::CreateEditor() {
    return new TKxInplaceEdit(this);
}

void TKxDrawGrid::ColWidthsChanged() {
    StopTracking();
    TDrawGrid::ColWidthsChanged();
    if (OnColumnSized)
        OnColumnSized(this);
}

void TKxDrawGrid::RowHeightsChanged() {
    StopTracking();
    TDrawGrid::RowHeightsChanged();
    if (OnRowSized)
        OnRowSized(this);
}

void TKxDrawGrid::TopLeftChanged() {
    StopTracking();
    if (Options() & goRowSelect)
        InvalidateRow(Row());
    TDrawGrid::TopLeftChanged();
}

void TKxDrawGrid::FocusChanged() {
    TDrawGrid::FocusChanged();
    if (OnChangeFocus)
        OnChangeFocus(this);
}

bool TKxDrawGrid::IsPressedButton(int ACol, int ARow) const {
    return fixedButtons_ && Ctl3D() && DefaultDrawing() && tracking_ && pressed_ &&
           ACol == pressedCol_ && ARow == pressedRow_;
}

void TKxDrawGrid::DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) {
    const int shift = IsPressedButton(ACol, ARow) ? GridLineWidth() : 0;
    TDrawGrid::DrawCell(ACol, ARow, ARect.translated(shift, shift), AState);
}

void TKxDrawGrid::DrawCellFrame(QPainter& painter, int ACol, int ARow, const QRect& ARect,
                                TGridDrawState AState) {
    if (AState & gdFixed && Ctl3D() && DefaultDrawing()) {
        DrawEdge(painter, ARect, IsPressedButton(ACol, ARow));
        AState &= ~gdFixed;
    }
    TDrawGrid::DrawCellFrame(painter, ACol, ARow, ARect, AState);
}

bool TKxDrawGrid::CheckFixedCellButton(int ACol, int ARow) {
    if (ACol < 0 || ARow < 0 || !IsFixed(ACol, ARow))
        return false;
    bool enabled = true;
    if (OnCheckButton)
        OnCheckButton(this, ACol, ARow, enabled);
    return enabled;
}

void TKxDrawGrid::DoFixedCellClick(int ACol, int ARow) {
    if (OnFixedCellClick)
        OnFixedCellClick(this, ACol, ARow);
}

void TKxDrawGrid::StopTracking() {
    if (!tracking_)
        return;
    tracking_ = false;
    pressed_ = false;
    InvalidateCell(pressedCol_, pressedRow_);
    pressedCol_ = -1;
    pressedRow_ = -1;
}

void TKxDrawGrid::TrackButton(QPoint point) {
    int c = -1;
    int r = -1;
    MouseToCell(point.x(), point.y(), c, r);
    const bool inside = viewport()->rect().contains(point) && c == pressedCol_ && r == pressedRow_;
    if (inside != pressed_) {
        pressed_ = inside;
        InvalidateCell(pressedCol_, pressedRow_);
    }
}

// The handler given the event as of the left button.
static void AsLeft(const QMouseEvent* event, const std::function<void(QMouseEvent*)>& handler) {
    const Qt::MouseButtons buttons =
        event->type() == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent left(event->type(), event->position(), event->globalPosition(), Qt::LeftButton,
                     buttons, event->modifiers());
    handler(&left);
}

void TKxDrawGrid::mousePressEvent(QMouseEvent* event) {
    SetEditorMode(false);
    setFocus();
    if (!IsActiveControl())
        return;
    const QPoint point = event->position().toPoint();
    int index = 0;
    int c = -1;
    int r = -1;
    MouseToCell(point.x(), point.y(), c, r);
    const bool onSizingLine = ColSizingAt(point, index) || RowSizingAt(point, index);
    const bool fixedButton = fixedButtons_ && !onSizingLine && c >= 0 && IsFixed(c, r);
    if (fixedButton && Options() & (goRowMoving | goColMoving)) {
        // Either button moves the row or column of a fixed button.
        if (event->button() == Qt::RightButton) {
            AsLeft(event, [this](QMouseEvent* left) { TDrawGrid::mousePressEvent(left); });
            return;
        }
        TDrawGrid::mousePressEvent(event);
        return;
    }
    if (!fixedButton || event->button() != Qt::LeftButton) {
        TDrawGrid::mousePressEvent(event);
        return;
    }
    if (!CheckFixedCellButton(c, r)) {
        platform::Beep();
        return;
    }
    tracking_ = true;
    pressed_ = true;
    pressedCol_ = c;
    pressedRow_ = r;
    InvalidateCell(c, r);
}

void TKxDrawGrid::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_)
        TrackButton(event->position().toPoint());
    else
        TDrawGrid::mouseMoveEvent(event);
}

void TKxDrawGrid::mouseReleaseEvent(QMouseEvent* event) {
    const bool moving = GridState() == gsRowMoving || GridState() == gsColMoving;
    if (moving && event->button() == Qt::RightButton) {
        AsLeft(event, [this](QMouseEvent* left) { TDrawGrid::mouseReleaseEvent(left); });
        return;
    }
    if (!tracking_) {
        TDrawGrid::mouseReleaseEvent(event);
        return;
    }
    TrackButton(event->position().toPoint());
    const bool click = pressed_;
    const int c = pressedCol_;
    const int r = pressedRow_;
    StopTracking();
    if (click)
        DoFixedCellClick(c, r);
}

void TKxDrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    int c = -1;
    int r = -1;
    MouseToCell(int(event->position().x()), int(event->position().y()), c, r);
    if (fixedButtons_ && c >= 0 && IsFixed(c, r))
        mousePressEvent(event);
    else
        TDrawGrid::mouseDoubleClickEvent(event);
}

void TKxDrawGrid::keyPressEvent(QKeyEvent* event) {
    const bool editorShown = InplaceEditor() && InplaceEditor()->isVisible();
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & Qt::ControlModifier) &&
        EditorMode() && editorShown && !(Options() & goAlwaysShowEditor)) {
        cancelling_ = true;
        HideEditor();
        if (OnCancelEdit && !platform::Survives(this, *event, [this] { OnCancelEdit(this); }))
            return;
        cancelling_ = false;
        return;
    }
    TDrawGrid::keyPressEvent(event);
}
