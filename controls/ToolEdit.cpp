#include "controls/ToolEdit.h"

#include "controls/PickDate.h"
#include "platform/ControlEvents.h"
#include "platform/MessageBox.h"
#include "storage/FileUtil.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QUrl>

namespace {

int dropDownWidth(const QWidget* widget) {
    return widget->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

// A picture on fuchsia, its transparent colour.
platform::TBitmap blankGlyph(int width, int height) {
    platform::TBitmap glyph(width, height, platform::clFuchsia);
    glyph.SetTransparentColor(platform::clFuchsia);
    return glyph;
}

// Three 2 x 2 dots in a picture of width max(1, button width - 6); dots that do not fit are
// clipped by the picture.
platform::TBitmap ellipsisGlyph(int buttonWidth) {
    const int width = std::max(1, buttonWidth - 6);
    platform::TBitmap glyph = blankGlyph(width, 4);
    QPainter painter(&glyph.Image());
    const int gap = std::clamp((width - 6) / 2, 1, 3);
    const int x = ((width - 6) - 2 * gap) / 2;
    for (const int left : {x, x + gap + 2, x + 2 * gap + 4})
        painter.fillRect(left, 1, 2, 2, Qt::black);
    return glyph;
}

platform::TBitmap dropDownGlyph(const QWidget* widget) {
    platform::TBitmap glyph = blankGlyph(9, 9);
    QPainter painter(&glyph.Image());
    painter.setPen(widget->palette().color(QPalette::ButtonText));
    for (int row = 0; row < 4; ++row)
        painter.drawLine(1 + row, 3 + row, 7 - row, 3 + row);
    return glyph;
}

bool isKeypad(const QKeyEvent* event, int key) {
    return event->key() == key && (event->modifiers() & Qt::KeypadModifier);
}

} // namespace

// ---------------------------------------------------------------------------------------------

TEditButton::TEditButton(QWidget* parent) : TKxSpeedButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

static TCustomComboEdit* comboOf(const QWidget* button) {
    return button->parentWidget()
               ? qobject_cast<TCustomComboEdit*>(button->parentWidget()->parentWidget())
               : nullptr;
}

void TEditButton::mousePressEvent(QMouseEvent* event) {
    TCustomComboEdit* combo = comboOf(this);
    // Closing the drop-down or entering the edit fires the edit's events.
    if (event->button() == Qt::LeftButton && combo && !platform::Survives(this, *event, [&] {
            noAction_ = combo->PopupVisible();
            if (noAction_)
                combo->PopupCloseUp(combo->Popup(), true);
            else if (combo->focusPolicy() & Qt::TabFocus && !combo->hasFocus())
                combo->setFocus(Qt::MouseFocusReason);
        }))
        return;
    TKxSpeedButton::mousePressEvent(event);
}

void TEditButton::Click() {
    if (std::exchange(noAction_, false))
        return;
    TKxSpeedButton::Click();
}

void TEditButton::paintEvent(QPaintEvent* event) {
    TKxSpeedButton::paintEvent(event);
    if (State() == rbsDown || Down())
        return;
    QPainter painter(this);
    painter.setPen(platform::ToQColor(platform::clBtnFace));
    painter.drawLine(0, 0, 0, height() - 1);
    painter.setPen(platform::ToQColor(platform::clBtnHighlight));
    painter.drawLine(1, 1, 1, height() - 2);
}

// ---------------------------------------------------------------------------------------------

TPopupWindow::TPopupWindow(QWidget* editor)
    : QWidget(editor, Qt::Popup | Qt::FramelessWindowHint), editor_(editor) {
    // The press that closes the drop-down goes to no other control.
    setAttribute(Qt::WA_NoMouseReplay);
    setAutoFillBackground(true);
}

void TPopupWindow::CloseUp(bool accept) {
    if (OnCloseUp)
        OnCloseUp(this, accept);
}

void TPopupWindow::Show(QPoint origin) {
    move(origin);
    shown_ = true;
    show();
}

void TPopupWindow::Hide() {
    shown_ = false;
    hide();
}

void TPopupWindow::InvalidateEditor() {
    if (editor_)
        editor_->update();
}

void TPopupWindow::keyPressEvent(QKeyEvent* event) {
    if (editor_)
        QCoreApplication::sendEvent(editor_, event);
}

void TPopupWindow::mousePressEvent(QMouseEvent* event) {
    // While the drop-down is open the window system hands it every press; one on the editor's
    // button is the button's own, which closes the drop-down accepting.
    if (auto* combo = qobject_cast<TCustomComboEdit*>(editor_.data());
        combo && !rect().contains(event->position().toPoint())) {
        QPointer<QWidget> button = combo->Button();
        const QPoint at = button->mapFromGlobal(event->globalPosition()).toPoint();
        if (button->isVisible() && button->rect().contains(at)) {
            QMouseEvent press(event->type(), at, event->globalPosition(), event->button(),
                              event->buttons(), event->modifiers());
            QCoreApplication::sendEvent(button, &press);
            // The window system drops the release of a press that closed a pop-up: the button
            // gets it here, so it comes up again.
            QMouseEvent release(QEvent::MouseButtonRelease, at, event->globalPosition(),
                                event->button(), event->buttons() & ~event->button(),
                                event->modifiers());
            if (button)
                QCoreApplication::sendEvent(button, &release);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void TPopupWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && shown_)
        CloseUp(rect().contains(event->position().toPoint()));
}

void TPopupWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TPopupWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Closed by the window system (a press outside): a close without accept.
    if (std::exchange(shown_, false))
        CloseUp(false);
}

// ---------------------------------------------------------------------------------------------

// The line edit takes its caret's width from its style; 0 draws no caret.
class TCaretStyle : public QProxyStyle {
public:
    explicit TCaretStyle(QObject* owner)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
        setParent(owner);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth)
            return CaretWidth;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    int CaretWidth = 1;
};

TCustomComboEdit::TCustomComboEdit(QWidget* parent)
    : TCustomMaskEdit(parent), container_(new QWidget(this)), button_(new TEditButton(container_)),
      caretStyle_(new TCaretStyle(this)) {
    setStyle(caretStyle_);
    resize(width(), 21);
    button_->OnClick = [this](QObject* sender) { EditButtonClick(sender); };
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!changeMuted_)
            Change();
    });
    UpdateBtnBounds();
}

TCustomComboEdit::~TCustomComboEdit() {
    button_->OnClick = nullptr;
    SetPopup(nullptr);
}

void TCustomComboEdit::SetPopup(TPopupWindow* popup) {
    if (popup_)
        popup_->OnCloseUp = nullptr;
    delete popup_;
    popup_ = popup;
    popupVisible_ = false;
    if (popup_)
        popup_->OnCloseUp = [this](QObject* sender, bool accept) { PopupCloseUp(sender, accept); };
}

int TCustomComboEdit::ButtonWidth() const {
    return buttonWidth_;
}

void TCustomComboEdit::SetButtonWidth(int value) {
    if (value == buttonWidth_)
        return;
    buttonWidth_ = value;
    UpdateBtnBounds();
    RecreateGlyph();
}

QString TCustomComboEdit::ButtonHint() const {
    return button_->toolTip();
}

void TCustomComboEdit::SetButtonHint(const QString& hint) {
    button_->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind kind) {
    if (kind == glyphKind_)
        return;
    glyphKind_ = kind;
    RecreateGlyph();
    if (kind == gkDefault && !button_->Glyph().Empty())
        SetButtonWidth(std::max(button_->Glyph().Width() / button_->NumGlyphs() + 6, buttonWidth_));
    else if (kind == gkDropDown)
        SetButtonWidth(dropDownWidth(this));
}

void TCustomComboEdit::SetGlyph(const platform::TBitmap& glyph) {
    button_->SetGlyph(glyph);
    glyphKind_ = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int value) {
    switch (glyphKind_) {
    case gkDropDown:
    case gkEllipsis:
        value = 1;
        break;
    case gkDefault:
        value = DefNumGlyphs;
        break;
    case gkCustom:
        break;
    }
    button_->SetNumGlyphs(value);
}

void TCustomComboEdit::RecreateGlyph() {
    switch (glyphKind_) {
    case gkDefault:
        setButtonGlyph(GetDefaultBitmap(), DefNumGlyphs);
        break;
    case gkDropDown:
        setButtonGlyph(dropDownGlyph(this), 1);
        break;
    case gkEllipsis:
        setButtonGlyph(ellipsisGlyph(buttonWidth_), 1);
        break;
    case gkCustom:
        break;
    }
}

void TCustomComboEdit::setButtonGlyph(const platform::TBitmap& glyph, int numGlyphs) {
    button_->SetGlyph(glyph);
    button_->SetNumGlyphs(numGlyphs);
}

void TCustomComboEdit::SetDirectInput(bool value) {
    directInput_ = value;
    updateEditReadOnly();
}

void TCustomComboEdit::SetReadOnly(bool value) {
    if (value == readOnly_)
        return;
    readOnly_ = value;
    updateEditReadOnly();
}

void TCustomComboEdit::updateEditReadOnly() {
    setReadOnly(!directInput_ || readOnly_);
}

void TCustomComboEdit::SelectAll() {
    if (directInput_)
        selectAll();
}

void TCustomComboEdit::UpdateBtnBounds() {
    const int b = buttonWidth_;
    const int border = BorderWidth();
    // Under a flat border line the button starts two pixels lower.
    const int top = border == 1 ? 3 : border;
    container_->setVisible(b >= 2);
    container_->setGeometry(width() - b - border, top, b, std::max(height() - border - top, 0));
    button_->setGeometry(0, 0, b, container_->height());
    SetEditRect();
}

int TCustomComboEdit::GetMinHeight() const {
    // The border height metric: one pixel.
    return GetTextHeight() + 4 * 1 + 1;
}

void TCustomComboEdit::SetShowCaret() {
    caretStyle_->CaretWidth = font().bold() ? 2 : 1;
    update();
}

void TCustomComboEdit::HideCaret() {
    caretStyle_->CaretWidth = 0;
    update();
}

void TCustomComboEdit::SetEditRect() {
    setTextMargins(0, 0, container_->isVisibleTo(this) ? buttonWidth_ + 2 : 0, 0);
}

QPoint TCustomComboEdit::PopupOrigin(const QRect& control, QSize popup, const QRect& screen,
                                     TPopupAlign align) {
    int y = control.top() + control.height();
    if (y + popup.height() > screen.bottom() + 1)
        y = control.top() - popup.height();
    y = std::max(y, screen.top());
    int x = control.left();
    if (align == epaRight) {
        x = control.left() - (popup.width() - control.width());
        if (x < screen.left())
            x = control.left();
    } else if (x + popup.width() > screen.right() + 1) {
        x -= popup.width() - control.width();
    }
    if (x < screen.left())
        x = screen.left();
    else if (x + popup.width() > screen.right() + 1)
        x = screen.right() + 1 - popup.width();
    return QPoint(x, y);
}

void TCustomComboEdit::PopupDropDown(bool disableEdit) {
    if (!popup_ || GetReadOnly() || popupVisible_)
        return;
    const QRect screenRect = screen() ? screen()->geometry() : QRect(0, 0, 1024, 768);
    const QRect control(mapToGlobal(QPoint(0, 0)), size());
    const QPoint origin = PopupOrigin(control, popup_->size(), screenRect, PopupAlign);
    const QString text = Text();
    SetPopupValue(text.isEmpty() ? QVariant() : QVariant(text));
    if (focusPolicy() != Qt::NoFocus && isEnabled())
        setFocus();
    popupVisible_ = true;
    ShowPopup(origin);
    if (disableEdit) {
        setReadOnly(true);
        HideCaret();
    }
}

void TCustomComboEdit::PopupCloseUp(QObject*, bool accept) {
    if (!popup_ || !popupVisible_)
        return;
    QVariant value = GetPopupValue();
    popupVisible_ = false;
    HidePopup();
    if (focusPolicy() != Qt::NoFocus && isEnabled())
        setFocus();
    if (hasFocus())
        SetShowCaret();
    updateEditReadOnly();
    update();
    if (accept && AcceptPopup(value) && EditCanModify()) {
        AcceptValue(value);
        if (hasFocus())
            selectAll();
    }
}

void TCustomComboEdit::ShowPopup(QPoint origin) {
    popup_->Show(origin);
}

void TCustomComboEdit::HidePopup() {
    popup_->Hide();
}

QVariant TCustomComboEdit::GetPopupValue() const {
    return popup_ ? popup_->GetValue() : QVariant(Text());
}

void TCustomComboEdit::SetPopupValue(const QVariant& value) {
    if (popup_)
        popup_->SetValue(value);
}

bool TCustomComboEdit::AcceptPopup(QVariant&) {
    return true;
}

void TCustomComboEdit::AcceptValue(const QVariant& value) {
    const QString text = value.toString();
    if (Text() == text)
        return;
    changeMuted_ = true;
    SetText(text);
    changeMuted_ = false;
    setModified(true);
    Change();
}

void TCustomComboEdit::Change() {
    if (popupVisible_)
        PopupChange();
    else if (OnChange)
        OnChange(this);
}

void TCustomComboEdit::ButtonClick() {
    if (OnButtonClick && !platform::Survives(this, [this] { OnButtonClick(this); }))
        return;
    if (!popup_)
        return;
    if (!popupVisible_)
        PopupDropDown(true);
    else
        PopupCloseUp(popup_, true);
}

bool TCustomComboEdit::FocusAfterDialog() {
    return focusPolicy() == Qt::NoFocus || platform::Survives(this, [this] { setFocus(); });
}

void TCustomComboEdit::EditButtonClick(QObject*) {
    if (readOnly_ && !AlwaysEnable)
        return;
    ButtonClick();
}

void TCustomComboEdit::ComboKeyPress(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if ((enter || event->key() == Qt::Key_Escape) && popupVisible_) {
        PopupCloseUp(popup_, enter);
        event->accept();
        return;
    }
    // Enter and Escape are left unhandled by the line edit, so a dialog's buttons get them.
    TCustomMaskEdit::keyPressEvent(event);
}

void TCustomComboEdit::keyPressEvent(QKeyEvent* event) {
    const QKeyCombination pressed(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key()));
    if (!ClickKey.isEmpty() && ClickKey[0] == pressed) {
        if (buttonWidth_ > 0)
            EditButtonClick(this);
        event->accept();
        return;
    }
    ComboKeyPress(event);
}

void TCustomComboEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && popup_) {
        if (focusPolicy() != Qt::NoFocus &&
            !platform::Survives(this, *event, [this] { setFocus(Qt::MouseFocusReason); }))
            return;
        if (popupVisible_ &&
            !platform::Survives(this, *event, [this] { PopupCloseUp(popup_, false); }))
            return;
    }
    TCustomMaskEdit::mousePressEvent(event);
}

void TCustomComboEdit::focusInEvent(QFocusEvent* event) {
    SetShowCaret();
    AutoSelectFocusIn(event, AutoSelect);
}

void TCustomComboEdit::focusOutEvent(QFocusEvent* event) {
    // Opening the drop-down takes the keyboard away: that closes nothing.
    if (event->reason() != Qt::PopupFocusReason &&
        !platform::Survives(this, *event, [this] { PopupCloseUp(popup_, false); }))
        return;
    TCustomMaskEdit::focusOutEvent(event);
}

bool TCustomComboEdit::FocusStaysInWindow(QFocusEvent* event) const {
    const QWidget* next = QApplication::focusWidget();
    return event->reason() != Qt::PopupFocusReason && next && next != this &&
           next->window() == window();
}

void TCustomComboEdit::ReportExitError(const QString& message) {
    reporting_ = true;
    // Shown after the focus change is over, so the box does not run inside it.
    QTimer::singleShot(0, this, [this, message] {
        platform::ShowError(message, this);
        setFocus();
        selectAll();
        reporting_ = false;
    });
}

void TCustomComboEdit::resizeEvent(QResizeEvent* event) {
    TCustomMaskEdit::resizeEvent(event);
    // The raised height comes back as a resize of its own.
    if (height() < GetMinHeight()) {
        resize(width(), GetMinHeight());
        return;
    }
    UpdateBtnBounds();
}

QPoint EditorTextMargins(TCustomComboEdit* Editor) {
    QStyleOptionFrame frame;
    Editor->initStyleOption(&frame);
    const QRect contents =
        Editor->style()->subElementRect(QStyle::SE_LineEditContents, &frame, Editor);
    // The line edit keeps two pixels between its contents' edge and its text.
    constexpr int lineEditMargin = 2;
    return {contents.left() + Editor->textMargins().left() + lineEditMargin, contents.top()};
}

bool PaintComboEdit(TCustomComboEdit* Editor, const QString& AText, Qt::Alignment AAlignment,
                    bool StandardPaint, QPainter* ACanvas, QPaintEvent*) {
    if (StandardPaint)
        return false;
    std::optional<QPainter> own;
    QPainter* canvas = ACanvas;
    if (!canvas)
        canvas = &own.emplace(Editor);
    canvas->setFont(Editor->font());
    QStyleOptionFrame frame;
    Editor->initStyleOption(&frame);
    Editor->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, canvas, Editor);
    Editor->PaintFlatBorder(*canvas);
    const QColor background = Editor->palette().color(QPalette::Base);
    const QColor grayText = platform::ToQColor(platform::clGrayText);
    canvas->setPen(!Editor->isEnabled() && background != grayText
                       ? grayText
                       : Editor->palette().color(QPalette::Text));
    const QPoint margins = EditorTextMargins(Editor);
    const int buttonWidth = Editor->ButtonWidth();
    const int textWidth = canvas->fontMetrics().horizontalAdvance(AText) + (buttonWidth > 0);
    const int clientWidth = Editor->width();
    int x = margins.x();
    if (!Editor->PopupVisible()) {
        if (AAlignment & Qt::AlignRight)
            x = clientWidth - buttonWidth - textWidth - margins.x() - 2;
        else if (AAlignment & Qt::AlignHCenter)
            x = (clientWidth - buttonWidth - textWidth) / 2;
    }
    // The line edit centres its line between the top and bottom margins: so does the display,
    // and the text stays in place on entering.
    const QRect line(x, margins.y(), clientWidth - x, Editor->height() - 2 * margins.y());
    canvas->drawText(line, int(Qt::AlignLeft | Qt::AlignVCenter), AText);
    return true;
}

void TCustomComboEdit::changeEvent(QEvent* event) {
    TCustomMaskEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        SetEditRect();
    else if (event->type() == QEvent::LayoutDirectionChange && popup_)
        popup_->setLayoutDirection(layoutDirection());
}

// ---------------------------------------------------------------------------------------------

TCustomDateEdit::TCustomDateEdit(QWidget* parent) : TCustomComboEdit(parent) {
    UpdateFormat();
    SetCalendarStyle(csPopup);
    DefNumGlyphs = 2;
    SetGlyphKind(gkDefault);
}

TCustomDateEdit::~TCustomDateEdit() {
    SetPopup(nullptr);
}

platform::TBitmap TCustomDateEdit::GetDefaultBitmap() const {
    static const platform::TBitmap glyph = DateEditGlyph();
    return glyph;
}

TDateTime TCustomDateEdit::GetDate() const {
    return StrToDateFmtDef(dateFormat_, Text(), DefaultToday ? Today() : NullDate);
}

void TCustomDateEdit::SetDate(TDateTime value) {
    if (!ValidDate(value) || value == NullDate)
        value = DefaultToday ? Today() : NullDate;
    const TDateTime old = GetDate();
    SetText(value == NullDate ? QString() : FormatDateFmt(dateFormat_, value));
    setModified(GetDate() != old);
}

void TCustomDateEdit::ApplyDate(TDateTime value) {
    SetDate(value);
    SelectAll();
}

QString TCustomDateEdit::GetDateMask() const {
    return DefDateMask(blanksChar_, FourDigitYear());
}

bool TCustomDateEdit::FourDigitYear() const {
    switch (yearDigits_) {
    case dyFour:
        return true;
    case dyTwo:
        return false;
    default:
        return ::FourDigitYear();
    }
}

void TCustomDateEdit::UpdateFormat() {
    dateFormat_ = DefDateFormat(FourDigitYear()).left(10);
}

void TCustomDateEdit::UpdateMask() {
    // The text was written in the locale of the last masking: read it there.
    const std::optional<QLocale> current = SetDateLocale(maskedLocale_);
    const TDateTime date = GetDate();
    SetDateLocale(current);
    const QString oldFormat = dateFormat_;
    UpdateFormat();
    // The mask's "/" is fixed to a separator when it is set, so a new separator re-masks too.
    if (GetDateMask() != EditMask() || oldFormat != dateFormat_ ||
        DateSeparator() != maskedSeparator_) {
        SetEditMask(QString());
        SetEditMask(GetDateMask());
    }
    maskedLocale_ = DateLocale();
    maskedSeparator_ = DateSeparator();
    UpdatePopup();
    SetDate(date);
}

void TCustomDateEdit::UpdatePopup() {
    if (Popup())
        SetupPopupCalendar(Popup(), startOfWeek_, weekends_, weekendColor_, hints_,
                           FourDigitYear());
}

bool TCustomDateEdit::TextStored() const {
    const QString text = Text();
    return std::any_of(text.begin(), text.end(), [this](QChar c) {
        return c != QChar(0) && c != QLatin1Char(' ') && c != blanksChar_ && c != DateSeparator();
    });
}

void TCustomDateEdit::CheckValidDate() {
    if (!TextStored())
        return;
    formatting_ = true;
    try {
        SetDate(StrToDateFmt(dateFormat_, Text()));
    } catch (...) {
        formatting_ = false;
        throw;
    }
    formatting_ = false;
}

void TCustomDateEdit::SetBlanksChar(QChar value) {
    if (value < QLatin1Char(' '))
        value = QLatin1Char(' ');
    if (value == blanksChar_)
        return;
    blanksChar_ = value;
    UpdateMask();
}

void TCustomDateEdit::SetYearDigits(TYearDigits value) {
    if (value == yearDigits_)
        return;
    yearDigits_ = value;
    UpdateMask();
}

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle value) {
    if (value == csPopup && !Popup()) {
        SetPopup(CreatePopupCalendar(this, layoutDirection()));
        applyPopupColor();
        UpdatePopup();
    } else if (value == csDialog) {
        SetPopup(nullptr);
    }
}

TColor TCustomDateEdit::PopupColor() const {
    if (!Popup())
        return popupColor_;
    // The drop-down's own colour wins; a system colour it still shows keeps its name.
    const QColor shown = Popup()->palette().color(QPalette::Window);
    return shown == platform::ToQColor(popupColor_) ? popupColor_ : platform::FromQColor(shown);
}

void TCustomDateEdit::SetPopupColor(TColor value) {
    if (value == PopupColor())
        return;
    popupColor_ = value;
    applyPopupColor();
}

void TCustomDateEdit::applyPopupColor() {
    if (!Popup())
        return;
    QPalette palette = Popup()->palette();
    palette.setColor(QPalette::Window, platform::ToQColor(popupColor_));
    Popup()->setPalette(palette);
    Popup()->setAutoFillBackground(true);
    Popup()->update();
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName value) {
    if (value == startOfWeek_)
        return;
    startOfWeek_ = value;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek value) {
    if (value == weekends_)
        return;
    weekends_ = value;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekendColor(TColor value) {
    if (value == weekendColor_)
        return;
    weekendColor_ = value;
    UpdatePopup();
}

void TCustomDateEdit::SetCalendarHints(const QStringList& hints) {
    hints_ = hints.mid(0, 4);
    UpdatePopup();
}

bool TCustomDateEdit::AcceptPopup(QVariant& value) {
    bool accept = true;
    if (OnAcceptDate) {
        TDateTime date = value.isNull() || value.toString().isEmpty() ? NullDate : value.toDouble();
        OnAcceptDate(this, date, accept);
        if (accept)
            value = date;
    }
    return accept;
}

void TCustomDateEdit::AcceptValue(const QVariant& value) {
    formatting_ = true;
    SetDate(value.toDouble());
    formatting_ = false;
    if (isModified())
        TCustomComboEdit::Change();
}

void TCustomDateEdit::SetPopupValue(const QVariant& value) {
    if (Popup())
        Popup()->SetValue(StrToDateFmtDef(dateFormat_, value.toString(), Today()));
}

void TCustomDateEdit::ButtonClick() {
    if (!platform::Survives(this, [this] { TCustomComboEdit::ButtonClick(); }) ||
        CalendarStyle() != csDialog)
        return;
    TDateTime date = GetDate();
    const bool accepted =
        SelectDate(date, DialogTitle, startOfWeek_, weekends_, weekendColor_, hints_);
    if (!FocusAfterDialog() || !accepted)
        return;
    bool accept = true;
    if (OnAcceptDate && !platform::Survives(this, [&] { OnAcceptDate(this, date, accept); }))
        return;
    if (accept) {
        SetDate(date);
        if (hasFocus())
            SelectAll();
    }
}

void TCustomDateEdit::Change() {
    if (!formatting_)
        TCustomComboEdit::Change();
}

void TCustomDateEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool keypadSign = isKeypad(event, Qt::Key_Plus) || isKeypad(event, Qt::Key_Minus);
    if (PopupVisible()) {
        static const int calendarKeys[] = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Left,
                                           Qt::Key_Right,  Qt::Key_Up,       Qt::Key_Down};
        if (keypadSign || std::find(std::begin(calendarKeys), std::end(calendarKeys), key) !=
                              std::end(calendarKeys)) {
            Popup()->PopupKeyDown(event);
            event->accept();
            return;
        }
    }
    const Qt::KeyboardModifiers shifts =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (!PopupVisible() && keypadSign && !shifts && DirectInput()) {
        const TDateTime shown = GetDate() == NullDate ? Today() : GetDate();
        ApplyDate(shown + (key == Qt::Key_Plus ? 1 : -1));
        event->accept();
        return;
    }
    const QString typed = event->text();
    const QChar c = typed.size() == 1 ? typed[0] : QChar();
    if (QStringLiteral("Tt+-").contains(c) && !c.isNull()) {
        if (PopupVisible())
            Popup()->PopupKeyPress(c);
        else if (DirectInput() && c.toUpper() == QLatin1Char('T'))
            ApplyDate(Today());
        if (PopupVisible() || DirectInput()) {
            event->accept();
            return;
        }
    }
    TCustomComboEdit::keyPressEvent(event);
}

void TCustomDateEdit::focusOutEvent(QFocusEvent* event) {
    if (!platform::Survives(this, *event, [&] { TCustomComboEdit::focusOutEvent(event); }) ||
        !CheckOnExit || Reporting() || !FocusStaysInWindow(event))
        return;
    try {
        CheckValidDate();
    } catch (const EConvertError& error) {
        ReportExitError(error.Message());
    }
}

void TCustomDateEdit::changeEvent(QEvent* event) {
    TCustomComboEdit::changeEvent(event);
    if (event->type() == QEvent::LocaleChange)
        UpdateMask();
}

TDateEdit::TDateEdit(QWidget* parent) : TCustomDateEdit(parent) {
    UpdateMask();
}

void DateFormatChanged() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* edit = qobject_cast<TCustomDateEdit*>(top))
            edit->UpdateMask();
        for (TCustomDateEdit* edit : top->findChildren<TCustomDateEdit*>())
            edit->UpdateMask();
    }
}

platform::TBitmap DateEditGlyph() {
    platform::TBitmap glyph = blankGlyph(30, 15);
    QPainter painter(&glyph.Image());
    const QColor colours[2][3] = {{Qt::darkBlue, Qt::white, Qt::black},
                                  {Qt::gray, Qt::lightGray, Qt::darkGray}};
    for (int cell = 0; cell < 2; ++cell) {
        const int x = cell * 15;
        painter.fillRect(x + 1, 2, 13, 12, colours[cell][1]);
        painter.fillRect(x + 1, 2, 13, 3, colours[cell][0]);
        painter.setPen(colours[cell][2]);
        painter.drawRect(x + 1, 2, 12, 11);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                painter.drawPoint(x + 3 + col * 3, 6 + row * 3);
    }
    return glyph;
}

// ---------------------------------------------------------------------------------------------

platform::TBitmap FileEditGlyph() {
    platform::TBitmap glyph = blankGlyph(32, 14);
    QPainter painter(&glyph.Image());
    const QColor colours[2][2] = {{QColor(128, 128, 0), QColor(255, 255, 128)},
                                  {Qt::darkGray, Qt::lightGray}};
    for (int cell = 0; cell < 2; ++cell) {
        const int x = cell * 16;
        painter.setPen(colours[cell][0]);
        painter.setBrush(colours[cell][1]);
        painter.drawPolygon(
            QPolygon({{x + 1, 3}, {x + 6, 3}, {x + 7, 5}, {x + 14, 5}, {x + 14, 12}, {x + 1, 12}}));
    }
    return glyph;
}

TFileDirEdit::TFileDirEdit(QWidget* parent) : TCustomComboEdit(parent) {
    DefNumGlyphs = 2;
    SetGlyphKind(gkDefault);
}

platform::TBitmap TFileDirEdit::GetDefaultBitmap() const {
    static const platform::TBitmap glyph = FileEditGlyph();
    return glyph;
}

void TFileDirEdit::SetAcceptFiles(bool value) {
    acceptFiles_ = value;
    setAcceptDrops(true);
}

void TFileDirEdit::DropFiles(const QStringList& names) {
    if (names.isEmpty())
        return;
    ClearFileList();
    for (const QString& name : names) {
        ReceptFileDir(name);
        if (!MultipleEntries)
            break;
    }
    if (OnDropFiles)
        OnDropFiles(this);
}

namespace {

QStringList localFiles(const QMimeData* mime) {
    QStringList names;
    if (mime && mime->hasUrls()) {
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile())
                names.append(url.toLocalFile());
        }
    }
    return names;
}

} // namespace

void TFileDirEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptFiles_ && !localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        TCustomComboEdit::dragEnterEvent(event);
}

void TFileDirEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptFiles_ && !localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        TCustomComboEdit::dragMoveEvent(event);
}

void TFileDirEdit::dropEvent(QDropEvent* event) {
    const QStringList names = localFiles(event->mimeData());
    if (!acceptFiles_ || names.isEmpty()) {
        TCustomComboEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    DropFiles(names);
}

// ---------------------------------------------------------------------------------------------

namespace {

QString ExtFilename(const QString& name) {
    if (name.contains(QLatin1Char(' ')) && !name.startsWith(QLatin1Char('"')))
        return QLatin1Char('"') + name + QLatin1Char('"');
    return name;
}

// The program part of a command line: its first word, quotes taken off.
QString programPart(const QString& text) {
    const QString s = text.trimmed();
    if (s.startsWith(QLatin1Char('"'))) {
        const int end = int(s.indexOf(QLatin1Char('"'), 1));
        return end < 0 ? s.mid(1) : s.mid(1, end - 1);
    }
    return s.section(QLatin1Char(' '), 0, 0);
}

// The text itself when it names an existing file, else its program part.
QString ClipFilename(const QString& text) {
    return QFileInfo::exists(text) ? text : programPart(text);
}

} // namespace

namespace {

// A new dialog of the kind with its own default filter: pictures, or every file.
std::unique_ptr<platform::TFileDialog> fileDialog(TFileDialogKind kind) {
    if (kind == dkOpenPicture)
        return std::make_unique<platform::TOpenPictureDialog>();
    if (kind == dkSavePicture)
        return std::make_unique<platform::TSavePictureDialog>();
    std::unique_ptr<platform::TFileDialog> dialog;
    if (kind == dkSave)
        dialog = std::make_unique<platform::TSaveDialog>();
    else
        dialog = std::make_unique<platform::TOpenDialog>();
    dialog->Filter = QStringLiteral("All files (*.*)|*.*");
    return dialog;
}

} // namespace

TFilenameEdit::TFilenameEdit(QWidget* parent) : TFileDirEdit(parent), dialog_(fileDialog(dkOpen)) {
    dialog_->Title = QStringLiteral("Browse");
}

QString TFilenameEdit::FileName() const {
    return ClipFilename(Text());
}

bool TFilenameEdit::SetFileName(const QString& name) {
    if (!name.isEmpty() && !ValidFileName(QFileInfo(programPart(name)).fileName())) {
        platform::ShowError(QStringLiteral("Invalid file name - %1").arg(name), this);
        return false;
    }
    SetText(ExtFilename(name));
    ClearFileList();
    return true;
}

void TFilenameEdit::SetDialogKind(TFileDialogKind kind) {
    if (kind == dialogKind_)
        return;
    std::unique_ptr<platform::TFileDialog> next = fileDialog(kind);
    if (dialog_->Filter != fileDialog(dialogKind_)->Filter)
        next->Filter = dialog_->Filter;
    dialogKind_ = kind;
    next->DefaultExt = dialog_->DefaultExt;
    next->FileEditStyle = dialog_->FileEditStyle;
    next->FileName = dialog_->FileName;
    next->Files = dialog_->Files;
    next->FilterIndex = dialog_->FilterIndex;
    next->InitialDir = dialog_->InitialDir;
    next->HistoryList = dialog_->HistoryList;
    next->Options = dialog_->Options;
    next->Title = dialog_->Title;
    next->HelpContext = dialog_->HelpContext;
    dialog_ = std::move(next);
}

void TFilenameEdit::SetDialogOptions(platform::TOpenOptions value) {
    dialog_->Options = value;
    MultipleEntries = value & platform::ofAllowMultiSelect;
    if (!MultipleEntries)
        ClearFileList();
}

void TFilenameEdit::SetAllowMultiSelect(bool value) {
    SetDialogOptions(value ? dialog_->Options | platform::ofAllowMultiSelect
                           : dialog_->Options & ~platform::ofAllowMultiSelect);
}

void TFilenameEdit::ReceptFileDir(const QString& name) {
    if (!MultipleEntries) {
        SetFileName(name);
        return;
    }
    if (dialog_->Files.isEmpty())
        SetFileName(name);
    dialog_->Files.append(name);
}

void TFilenameEdit::ButtonClick() {
    if (!platform::Survives(this, [this] { TFileDirEdit::ButtonClick(); }))
        return;
    QString name = FileName();
    bool action = true;
    if (OnBeforeDialog && !platform::Survives(this, [&] { OnBeforeDialog(this, name, action); }))
        return;
    if (action) {
        const QFileInfo info(name);
        if (ValidFileName(name) && DirExists(info.absolutePath()))
            dialog_->InitialDir = info.absolutePath();
        dialog_->FileName = ValidFileName(info.fileName()) ? name : QString();
        dialog_->HelpContext = HelpContext;
        action = dialog_->Execute();
        if (action)
            name = dialog_->FileName;
    }
    if (!FocusAfterDialog() ||
        (OnAfterDialog && !platform::Survives(this, [&] { OnAfterDialog(this, name, action); })))
        return;
    if (action) {
        SetText(ExtFilename(name));
        dialog_->InitialDir = QFileInfo(dialog_->FileName).absolutePath();
    }
}

// ---------------------------------------------------------------------------------------------

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : TFileDirEdit(parent) {}

void TDirectoryEdit::ReceptFileDir(const QString& name) {
    const QFileInfo info(name);
    const QString dir = info.isFile() ? info.absolutePath() : name;
    if (MultipleEntries && !Text().isEmpty())
        SetText(Text() + QLatin1Char(';') + dir);
    else
        SetText(dir);
}

void TDirectoryEdit::ButtonClick() {
    if (!platform::Survives(this, [this] { TFileDirEdit::ButtonClick(); }))
        return;
    QString dir = Text();
    bool action = true;
    if (OnBeforeDialog && !platform::Survives(this, [&] { OnBeforeDialog(this, dir, action); }))
        return;
    if (action) {
        if (dir.isEmpty())
            dir = InitialDir.isEmpty() ? QStringLiteral("/") : InitialDir;
        if (!DirExists(dir))
            dir = QStringLiteral("/");
        action = DialogKind == dkWin32 ? BrowseDirectory(dir, DialogText, HelpContext)
                                       : SelectDirectory(dir, DialogOptions, HelpContext);
    }
    if (!FocusAfterDialog() ||
        (OnAfterDialog && !platform::Survives(this, [&] { OnAfterDialog(this, dir, action); })))
        return;
    if (!action)
        return;
    if (hasSelectedText())
        del();
    if (MultipleEntries && !Text().isEmpty())
        SetText(Text() + QLatin1Char(';') + dir);
    else
        SetText(dir);
    if (!dir.isEmpty() && DirExists(dir))
        InitialDir = dir;
}
