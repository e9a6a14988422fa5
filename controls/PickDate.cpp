#include "controls/PickDate.h"

#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/Scaling.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

const char* const ButtonHints[4] = {"Previous Year|", "Previous Month|", "Next Month|",
                                    "Next Year|"};

int weekdayOf(TDayOfWeekName startOfWeek, int col) {
    return (startOfWeek + col) % 7;
}

// Weekday 0 = Sunday .. 6 as Qt counts it (1 = Monday .. 7 = Sunday).
int qtWeekday(int weekday) {
    return weekday == 0 ? 7 : weekday;
}

void makeButtons(QWidget* parent, TKxTimerSpeedButton* (&buttons)[4], int size) {
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new TKxTimerSpeedButton(parent);
        buttons[i]->SetGlyph(CalendarButtonGlyph(i));
        buttons[i]->setToolTip(QString::fromLatin1(ButtonHints[i]).section(QLatin1Char('|'), 0, 0));
        buttons[i]->resize(size, size);
    }
}

void connectButtons(TKxTimerSpeedButton* (&buttons)[4], TKxCalendar* calendar) {
    buttons[0]->OnClick = [calendar](QObject*) { calendar->PrevYear(); };
    buttons[1]->OnClick = [calendar](QObject*) { calendar->PrevMonth(); };
    buttons[2]->OnClick = [calendar](QObject*) { calendar->NextMonth(); };
    buttons[3]->OnClick = [calendar](QObject*) { calendar->NextYear(); };
}

// The first four lines that are not empty replace the buttons' own hints.
template <class ButtonAt> void applyHints(const QStringList& hints, ButtonAt buttonAt) {
    for (int i = 0; i < std::min<int>(int(hints.size()), 4); ++i) {
        if (!hints[i].isEmpty())
            buttonAt(i)->setToolTip(hints[i].section(QLatin1Char('|'), 0, 0));
    }
}

// Page Up / Page Down move a month, with Ctrl a year. False for other keys.
bool pageKey(QKeyEvent* event, TKxCalendar* calendar) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_PageUp)
        ctrl ? calendar->PrevYear() : calendar->PrevMonth();
    else if (event->key() == Qt::Key_PageDown)
        ctrl ? calendar->NextYear() : calendar->NextMonth();
    else
        return false;
    return true;
}

QString titleOf(TDateTime date) {
    return FormatDateFmt(QStringLiteral("MMMM, YYYY"), date);
}

} // namespace

TKxTimerSpeedButton::TKxTimerSpeedButton(QWidget* parent) : TKxSpeedButton(parent) {
    SetStyle(bsWin31);
    SetAllowTimer(true);
}

platform::TBitmap CalendarButtonGlyph(int index) {
    // Column 0 stays empty: the bottom-left pixel gives the transparent colour.
    platform::TBitmap glyph(9, 7, platform::clFuchsia);
    QPainter painter(&glyph.Image());
    painter.setPen(Qt::black);
    const bool next = index >= 2;
    const bool twice = index == 0 || index == 3;
    for (int arrow = 0; arrow < (twice ? 2 : 1); ++arrow) {
        const int base = (twice ? arrow * 4 : 2) + 1;
        for (int i = 0; i < 4; ++i) {
            const int x = next ? base + i : base + 3 - i;
            painter.drawLine(x, 3 - (3 - i), x, 3 + (3 - i));
        }
    }
    return glyph;
}

// ---------------------------------------------------------------------------------------------

TKxCalendar::TKxCalendar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    date_ = Today();
    updateCalendar();
}

void TKxCalendar::changeDate(TDateTime value) {
    value = CutTime(value);
    if (value == date_ || !ValidDate(value))
        return;
    date_ = value;
    updateCalendar();
    if (OnChange)
        OnChange(this);
}

void TKxCalendar::SetCalendarDate(TDateTime value) {
    changeDate(value);
}

void TKxCalendar::SetYear(int value) {
    if (value < 1 || value > 9999 || value == Year())
        return;
    useCurrentDate_ = false;
    changeDate(EncodeDate(value, Month(), std::min(Day(), DaysPerMonth(value, Month()))));
}

void TKxCalendar::SetMonth(int value) {
    if (value < 1 || value > 12 || value == Month())
        return;
    useCurrentDate_ = false;
    changeDate(EncodeDate(Year(), value, std::min(Day(), DaysPerMonth(Year(), value))));
}

void TKxCalendar::SetDay(int value) {
    if (value < 1 || value > DaysPerMonth(Year(), Month()) || value == Day())
        return;
    useCurrentDate_ = false;
    changeDate(EncodeDate(Year(), Month(), value));
}

void TKxCalendar::PrevMonth() {
    changeDate(IncMonth(date_, -1));
}

void TKxCalendar::NextMonth() {
    changeDate(IncMonth(date_, 1));
}

void TKxCalendar::PrevYear() {
    changeDate(IncYear(date_, -1));
}

void TKxCalendar::NextYear() {
    changeDate(IncYear(date_, 1));
}

void TKxCalendar::SetToday() {
    changeDate(Today());
}

void TKxCalendar::SetStartOfWeek(TDayOfWeekName value) {
    if (value == startOfWeek_)
        return;
    startOfWeek_ = value;
    updateCalendar();
}

void TKxCalendar::SetWeekends(TDaysOfWeek value) {
    if (value == weekends_)
        return;
    weekends_ = value;
    update();
}

void TKxCalendar::SetWeekendColor(TColor value) {
    if (value == weekendColor_)
        return;
    weekendColor_ = value;
    update();
}

void TKxCalendar::SetUseCurrentDate(bool value) {
    useCurrentDate_ = value;
    if (value)
        SetToday();
}

void TKxCalendar::updateCalendar() {
    const int firstWeekday = QDate(Year(), Month(), 1).dayOfWeek() % 7; // Sunday = 0
    monthOffset_ = 2 - ((firstWeekday + 1 - startOfWeek_ + 7) % 7);
    if (monthOffset_ == 2)
        monthOffset_ = -5;
    col_ = (Day() - monthOffset_) % 7;
    row_ = (Day() - monthOffset_) / 7 + 1;
    update();
}

QString TKxCalendar::CellText(int col, int row) const {
    if (row == 0)
        return DateLocale().dayName(qtWeekday(weekdayOf(startOfWeek_, col)), QLocale::ShortFormat);
    const int day = monthOffset_ + col + (row - 1) * 7;
    if (day < 1 || day > DaysPerMonth(Year(), Month()))
        return QString();
    return QString::number(day);
}

QRect TKxCalendar::CellRect(int col, int row) const {
    const int w = (width() - 6) / 7;
    const int h = (height() - 6) / 7;
    return QRect(col * (w + 1), row * (h + 1), w, h);
}

QPoint TKxCalendar::CellAt(QPoint pos) const {
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 7; ++col)
            if (CellRect(col, row).contains(pos))
                return QPoint(col, row);
    return QPoint(-1, -1);
}

QColor TKxCalendar::FixedColor() const {
    return palette().color(QPalette::Button);
}

void TKxCalendar::DrawCell(QPainter& painter, int col, int row, const QRect& rect) {
    const bool selected = row > 0 && col == col_ && row == row_;
    QColor text = palette().color(QPalette::WindowText);
    if (row == 0) {
        painter.fillRect(rect, FixedColor());
    } else if (selected) {
        painter.fillRect(rect, palette().color(QPalette::Highlight));
        text = palette().color(QPalette::HighlightedText);
    } else {
        painter.fillRect(rect, palette().color(QPalette::Base));
    }
    if (!selected && (weekends_ & (1u << weekdayOf(startOfWeek_, col))))
        text = platform::ToQColor(weekendColor_);
    painter.setPen(text);
    painter.drawText(rect, Qt::AlignCenter, CellText(col, row));
}

void TKxCalendar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    // The gaps between the cells are the grid lines.
    painter.fillRect(QRect(QPoint(0, 0), CellRect(6, 6).bottomRight()),
                     palette().color(QPalette::Mid));
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 7; ++col)
            DrawCell(painter, col, row, CellRect(col, row));
}

void TKxCalendar::mousePressEvent(QMouseEvent* event) {
    const QPoint cell = CellAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || cell.y() < 1 || ReadOnly)
        return;
    const QString text = CellText(cell.x(), cell.y());
    if (!text.isEmpty())
        SetDay(text.toInt());
}

void TKxCalendar::mouseDoubleClickEvent(QMouseEvent*) {
    if (OnDblClick)
        OnDblClick(this);
}

void TKxCalendar::KeyDown(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return;
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        changeDate(date_ - 1);
        break;
    case Qt::Key_Right:
        changeDate(date_ + 1);
        break;
    case Qt::Key_Minus:
        if (keypad)
            changeDate(date_ - 1);
        break;
    case Qt::Key_Plus:
        if (keypad)
            changeDate(date_ + 1);
        break;
    case Qt::Key_Up:
        SetDay(Day() - 7);
        break;
    case Qt::Key_Down:
        SetDay(Day() + 7);
        break;
    default:
        break;
    }
}

void TKxCalendar::KeyPress(QChar key) {
    if (key.toUpper() == QLatin1Char('T'))
        SetToday();
}

void TKxCalendar::keyPressEvent(QKeyEvent* event) {
    static const int own[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
    const bool keypadSign = (event->modifiers() & Qt::KeypadModifier) &&
                            (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Minus);
    if (keypadSign || std::find(std::begin(own), std::end(own), event->key()) != std::end(own)) {
        KeyDown(event);
        return;
    }
    if (event->text().size() == 1 && event->text()[0].toUpper() == QLatin1Char('T')) {
        KeyPress(event->text()[0]);
        return;
    }
    event->ignore();
}

// ---------------------------------------------------------------------------------------------

TLocCalendar::TLocCalendar(QWidget* parent) : TKxCalendar(parent) {
    setFocusPolicy(Qt::NoFocus);
    SetUseCurrentDate(false);
}

QColor TLocCalendar::FixedColor() const {
    return palette().color(QPalette::Window);
}

void TLocCalendar::DrawCell(QPainter& painter, int col, int row, const QRect& rect) {
    TKxCalendar::DrawCell(painter, col, row, rect);
    const QString text = CellText(col, row);
    if (row == 0 || text.isEmpty() || EncodeDate(Year(), Month(), text.toInt()) != Today())
        return;
    const QRect r = rect.adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

void TLocCalendar::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp)
        OnMouseUp(event);
}

// ---------------------------------------------------------------------------------------------

TPopupCalendar::TPopupCalendar(QWidget* editor)
    : TPopupWindow(editor), calendar_(new TLocCalendar(this)), topPanel_(new QWidget(this)),
      title_(new QLabel(topPanel_)) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    makeButtons(topPanel_, buttons_, 14);
    connectButtons(buttons_, calendar_);
    title_->setAlignment(Qt::AlignCenter);
    title_->installEventFilter(this);
    calendar_->OnChange = [this](QObject*) { updateTitle(); };
    calendar_->OnMouseUp = [this](QMouseEvent* event) {
        const QPoint cell = calendar_->CellAt(event->position().toPoint());
        if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier) &&
            cell.y() > 0 && !calendar_->CellText(cell.x(), cell.y()).isEmpty())
            CloseUp(true);
    };
    resize(187, 124);
    layOut();
    updateTitle();
}

void TPopupCalendar::resizeEvent(QResizeEvent* event) {
    TPopupWindow::resizeEvent(event);
    layOut();
}

int TPopupCalendar::scaled(int value) const {
    return platform::MulDiv(value, scaleM_, scaleD_);
}

void TPopupCalendar::layOut() {
    const int p = width() - scaled(2);
    topPanel_->setGeometry(scaled(1), scaled(1), p, scaled(18));
    const int lefts[4] = {scaled(-1), scaled(12), p - scaled(26), p - scaled(13)};
    for (int i = 0; i < 4; ++i)
        buttons_[i]->setGeometry(lefts[i], 0, scaled(14), scaled(14));
    title_->setGeometry(scaled(29), scaled(1), p - scaled(58), scaled(14));
    calendar_->setGeometry(scaled(1), scaled(19), p, height() - scaled(20));
}

void TPopupCalendar::ScaleBy(int m, int d) {
    scaleM_ = m;
    scaleD_ = d;
    platform::ScaleBy(this, m, d);
    platform::FitOnScreen(this);
    layOut();
}

bool TPopupCalendar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::MouseButtonDblClick) {
        calendar_->SetToday();
        return true;
    }
    return TPopupWindow::eventFilter(watched, event);
}

void TPopupCalendar::updateTitle() {
    title_->setText(titleOf(calendar_->CalendarDate()));
}

QVariant TPopupCalendar::GetValue() const {
    return QVariant(calendar_->CalendarDate());
}

void TPopupCalendar::SetValue(const QVariant& value) {
    QString text = value.isNull() ? QString() : value.toString();
    text.remove(DateSeparator());
    bool ok = false;
    const double date = value.toDouble(&ok);
    calendar_->SetCalendarDate(ok && !text.trimmed().isEmpty() && ValidDate(date) ? date : Today());
    updateTitle();
}

void TPopupCalendar::PopupKeyDown(QKeyEvent* event) {
    if (!pageKey(event, calendar_))
        calendar_->KeyDown(event);
}

void TPopupCalendar::PopupKeyPress(QChar key) {
    if (!key.isNull())
        calendar_->KeyPress(key);
}

TPopupWindow* CreatePopupCalendar(QWidget* owner, Qt::LayoutDirection direction) {
    auto* popup = new TPopupCalendar(owner);
    if (platform::PixelsPerInch() != 96) {
        const int ppi = platform::FittingPixelsPerInch(popup, popup->size());
        popup->ScaleBy(ppi, 96);
        popup->setFont(platform::MessageFont(ppi));
        popup->Calendar()->setFont(popup->font());
    }
    popup->setLayoutDirection(direction);
    return popup;
}

void SetupPopupCalendar(TPopupWindow* popup, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                        TColor weekendColor, const QStringList& hints, bool fourDigitYear) {
    auto* calendar = qobject_cast<TPopupCalendar*>(popup);
    if (!calendar)
        return;
    calendar->FourDigitYear = fourDigitYear;
    calendar->Calendar()->SetStartOfWeek(startOfWeek);
    calendar->Calendar()->SetWeekendColor(weekendColor);
    calendar->Calendar()->SetWeekends(weekends);
    applyHints(hints, [calendar](int i) { return calendar->Buttons(i); });
}

// ---------------------------------------------------------------------------------------------

TSelectDateDlg::TSelectDateDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      calendar_(new TKxCalendar(this)), topPanel_(new QWidget(this)),
      title_(new QLabel(topPanel_)) {
    setWindowTitle(QStringLiteral("Select a Date"));
    setFixedSize(222, 154);
    topPanel_->setGeometry(0, 0, 222, 22);
    topPanel_->installEventFilter(this);
    title_->setGeometry(35, 0, 152, 22);
    title_->setAlignment(Qt::AlignCenter);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->installEventFilter(this);
    makeButtons(topPanel_, buttons_, 16);
    const int lefts[4] = {3, 18, 188, 203};
    for (int i = 0; i < 4; ++i)
        buttons_[i]->move(lefts[i], 3);
    connectButtons(buttons_, calendar_);
    auto* frame = new QWidget(this);
    frame->setGeometry(0, 22, 222, 111);
    calendar_->setParent(frame);
    calendar_->setGeometry(2, 2, 218, 107);
    calendar_->SetUseCurrentDate(false);
    calendar_->OnChange = [this](QObject*) { updateTitle(); };
    calendar_->OnDblClick = [this](QObject*) { accept(); };
    // The library's own texts, not the translated standard buttons.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(0, 133, 112, 21);
    ok->setDefault(true);
    ok->setFocusPolicy(Qt::NoFocus);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(111, 133, 111, 21);
    cancel->setFocusPolicy(Qt::NoFocus);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ok->setObjectName(QStringLiteral("OK"));
    cancel->setObjectName(QStringLiteral("Cancel"));
    calendar_->setFocus();
    updateTitle();
}

void TSelectDateDlg::SetDate(TDateTime date) {
    calendar_->SetCalendarDate(date);
    updateTitle();
}

void TSelectDateDlg::updateTitle() {
    title_->setText(titleOf(calendar_->CalendarDate()));
}

void TSelectDateDlg::keyPressEvent(QKeyEvent* event) {
    if (pageKey(event, calendar_))
        return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TSelectDateDlg::focusNextPrevChild(bool next) {
    next ? calendar_->NextMonth() : calendar_->PrevMonth();
    return true;
}

bool TSelectDateDlg::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == topPanel_ || watched == title_) &&
        event->type() == QEvent::MouseButtonDblClick) {
        calendar_->SetToday();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

namespace {

// Designed at 96 pixels per inch: scaled to the screen, in the message font, centred by hand.
void scaleToScreen(TSelectDateDlg& dialog) {
    if (platform::PixelsPerInch() == 96)
        return;
    const int ppi = platform::FittingPixelsPerInch(&dialog, dialog.size());
    platform::ScaleBy(&dialog, ppi, 96);
    dialog.setFont(platform::MessageFont(ppi));
    dialog.Calendar()->setFont(dialog.Calendar()->parentWidget()->font());
    QFont bold = dialog.font();
    bold.setBold(true);
    dialog.Title()->setFont(bold);
    platform::FitOnScreen(&dialog);
    platform::CentreOnScreen(&dialog);
}

void setupDialog(TSelectDateDlg& dialog, TDateTime date, TDayOfWeekName startOfWeek,
                 TDaysOfWeek weekends, TColor weekendColor, const QStringList& hints) {
    dialog.SetDate(date == NullDate ? Today() : date);
    dialog.Calendar()->SetStartOfWeek(startOfWeek);
    dialog.Calendar()->SetWeekends(weekends);
    dialog.Calendar()->SetWeekendColor(weekendColor);
    applyHints(hints, [&dialog](int i) { return dialog.Buttons(i); });
}

} // namespace

bool SelectDate(TDateTime& date, const QString& caption, TDayOfWeekName startOfWeek,
                TDaysOfWeek weekends, TColor weekendColor, const QStringList& hints) {
    TSelectDateDlg dialog;
    if (!caption.isEmpty())
        dialog.setWindowTitle(caption);
    scaleToScreen(dialog);
    setupDialog(dialog, date, startOfWeek, weekends, weekendColor, hints);
    if (platform::ShowModal(dialog) != QDialog::Accepted)
        return false;
    date = dialog.Date();
    return true;
}

bool SelectDateStr(QString& text, const QString& caption, TDayOfWeekName startOfWeek,
                   TDaysOfWeek weekends, TColor weekendColor, const QStringList& hints) {
    TDateTime date = Today();
    try {
        if (!text.isEmpty())
            date = StrToDateFmt(ShortDateFormat(), text);
    } catch (const EConvertError& error) {
        platform::ShowError(error.Message());
        return false;
    }
    if (!SelectDate(date, caption, startOfWeek, weekends, weekendColor, hints))
        return false;
    text = FormatDateFmt(ShortDateFormat(), date);
    return true;
}

bool PopupDate(TDateTime& date, QWidget* edit) {
    TSelectDateDlg dialog;
    dialog.setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    scaleToScreen(dialog);
    setupDialog(dialog, date, Mon, DayBit(Sun), 0x0000FF, QStringList());
    const QRect screen = edit->screen() ? edit->screen()->geometry() : QRect(0, 0, 1024, 768);
    const QPoint origin = edit->mapToGlobal(QPoint(0, 0));
    int top = origin.y() + edit->height() - 1;
    if (top + dialog.height() > screen.bottom() + 1) {
        top = origin.y() - dialog.height() + 1;
        if (top < screen.top())
            top = origin.y() + edit->height() - 1;
    }
    int left = origin.x() + edit->width() - dialog.width();
    if (left < screen.left())
        left = origin.x();
    dialog.move(left, top);
    if (platform::ShowModal(dialog) != QDialog::Accepted)
        return false;
    date = dialog.Date();
    return true;
}
