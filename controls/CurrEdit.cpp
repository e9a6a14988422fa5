#include "controls/CurrEdit.h"

#include "controls/KxCalc.h"
#include "platform/MessageBox.h"

#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace {

constexpr int MaxDecimals = 18;

QChar decimalPoint(const QLocale& locale) {
    return locale.decimalPoint().at(0);
}

QChar groupSeparator(const QLocale& locale) {
    return locale.groupSeparator().at(0);
}

// The pattern's sections split at ";" outside quotes.
QStringList sections(const QString& pattern) {
    QStringList parts{QString()};
    QChar quote;
    for (const QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            parts.append(QString());
            continue;
        }
        parts.back() += c;
    }
    return parts;
}

struct NumberPattern {
    QString prefix, suffix;
    int minInt = 0, minDec = 0, maxDec = 0;
    bool grouped = false;
};

NumberPattern parseSection(const QString& section) {
    NumberPattern p;
    bool inNumber = false, afterNumber = false, inFraction = false;
    QChar quote;
    for (const QChar c : section) {
        const bool placeholder = QStringLiteral("0#.,").contains(c);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (inNumber || afterNumber ? p.suffix : p.prefix) += c;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            if (inNumber)
                afterNumber = true, inNumber = false;
            continue;
        }
        if (placeholder && !afterNumber) {
            inNumber = true;
            if (c == QLatin1Char('.'))
                inFraction = true;
            else if (c == QLatin1Char(','))
                p.grouped = p.grouped || !inFraction;
            else if (inFraction)
                ++p.maxDec, p.minDec += c == QLatin1Char('0');
            else
                p.minInt += c == QLatin1Char('0');
            continue;
        }
        if (inNumber)
            afterNumber = true, inNumber = false;
        (afterNumber ? p.suffix : p.prefix) += c;
    }
    p.maxDec = std::min(p.maxDec, MaxDecimals);
    p.minDec = std::min(p.minDec, p.maxDec);
    return p;
}

QString grouped(const QString& digits, QChar separator) {
    QString out;
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

// The integer digits of a number text grouped by threes: a leading sign set aside, the integer
// part ending before the decimal separator or an exponent.
QString FormatFloatStr(const QString& text, QChar decimal, QChar thousands) {
    const bool signed_ = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'));
    const QString body = signed_ ? text.mid(1) : text;
    int end = 0;
    while (end < body.size() && body[end] != decimal && body[end].toUpper() != QLatin1Char('E'))
        ++end;
    return (signed_ ? text.left(1) : QString()) + grouped(body.left(end), thousands) +
           body.mid(end);
}

} // namespace

QString FormatFloat(const QString& pattern, double value, const QLocale& locale) {
    if (!std::isfinite(value))
        return QString::number(value);
    const QStringList parts = sections(pattern);
    QString section = parts[0];
    bool sign = value < 0;
    if (value < 0 && parts.size() > 1 && !parts[1].isEmpty()) {
        section = parts[1];
        sign = false;
    } else if (value == 0 && parts.size() > 2 && !parts[2].isEmpty()) {
        section = parts[2];
    }
    const NumberPattern p = parseSection(section);
    const QString fixed = QString::number(std::fabs(value), 'f', p.maxDec);
    QString intPart = fixed.section(QLatin1Char('.'), 0, 0);
    QString fraction = fixed.section(QLatin1Char('.'), 1);
    while (fraction.size() > p.minDec && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (intPart == QLatin1String("0") && p.minInt == 0)
        intPart.clear();
    while (intPart.size() < p.minInt)
        intPart.prepend(QLatin1Char('0'));
    if (p.grouped)
        intPart = grouped(intPart, groupSeparator(locale));
    QString number = intPart;
    if (!fraction.isEmpty())
        number += decimalPoint(locale) + fraction;
    const bool zero = !std::any_of(number.begin(), number.end(),
                                   [](QChar c) { return c.isDigit() && c != QLatin1Char('0'); });
    return (sign && !zero ? QStringLiteral("-") : QString()) + p.prefix + number + p.suffix;
}

platform::TBitmap CalcEditGlyph() {
    platform::TBitmap glyph(24, 12, platform::clFuchsia);
    glyph.SetTransparentColor(platform::clFuchsia);
    QPainter painter(&glyph.Image());
    const QColor colours[2] = {Qt::black, Qt::gray};
    for (int cell = 0; cell < 2; ++cell) {
        const int x = cell * 12;
        painter.setPen(colours[cell]);
        painter.drawRect(x + 1, 0, 9, 11);
        painter.fillRect(x + 3, 2, 6, 2, colours[cell]);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                painter.drawPoint(x + 3 + col * 2, 6 + row * 2);
    }
    return glyph;
}

// ---------------------------------------------------------------------------------------------

TCustomNumEdit::TCustomNumEdit(QWidget* parent) : TCustomComboEdit(parent) {
    DefNumGlyphs = 2;
    SetGlyphKind(gkDefault);
    SetButtonWidth(20);
    connect(this, &QLineEdit::textEdited, this, &TCustomNumEdit::textEdited);
    DataChanged();
}

platform::TBitmap TCustomNumEdit::GetDefaultBitmap() const {
    static const platform::TBitmap glyph = CalcEditGlyph();
    return glyph;
}

QString TCustomNumEdit::TextToValText(const QString& text) const {
    const QLocale locale;
    const QChar decimal = decimalPoint(locale), thousands = groupSeparator(locale);
    QString s = text;
    while (!s.isEmpty() && s.back() == QLatin1Char(' '))
        s.chop(1);
    if (decimal != thousands)
        s.remove(thousands);
    for (const QChar c : {QLatin1Char('.'), QLatin1Char(',')}) {
        if (c != decimal && c != thousands)
            s.replace(c, decimal);
    }
    if (s.isEmpty())
        return QStringLiteral("0");
    return s == QLatin1String("-") ? QStringLiteral("-0") : s;
}

bool TCustomNumEdit::IsValidFloat(const QString& text, double& value) const {
    const QLocale locale;
    const QChar decimal = decimalPoint(locale);
    for (const QChar c : text) {
        if (!c.isDigit() && !QStringLiteral("+-eE").contains(c) && c != decimal)
            return false;
    }
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    value = plain.toDouble(text, &ok);
    return ok && std::isfinite(value);
}

bool TCustomNumEdit::IsValidChar(QChar key) const {
    QString candidate = text();
    if (hasSelectedText())
        candidate.replace(selectionStart(), selectedText().size(), key);
    else
        candidate.insert(cursorPosition(), key);
    candidate = TextToValText(candidate);
    const QChar decimal = decimalPoint(QLocale());
    if (const int point = int(candidate.indexOf(decimal)); point >= 0) {
        int end = int(candidate.indexOf(QLatin1Char('E'), point, Qt::CaseInsensitive));
        if (end < 0)
            end = int(candidate.size());
        if (end - point - 1 > decimalPlaces_)
            return false;
    }
    double value = 0;
    if (!IsValidFloat(candidate, value))
        return false;
    return !(minValue_ >= 0 && maxValue_ > 0 && value < 0);
}

double TCustomNumEdit::CheckValue(double value, bool raise) const {
    double result = value;
    if (minValue_ != maxValue_) {
        if (maxValue_ > minValue_)
            result = std::clamp(value, minValue_, maxValue_);
        else if (maxValue_ == 0 && value < minValue_)
            result = minValue_;
        else if (minValue_ == 0 && value > maxValue_)
            result = maxValue_;
    }
    if (raise && result != value) {
        const int places = std::min(decimalPlaces_, MaxDecimals);
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        throw ERangeError(QStringLiteral("Value must be between %1 and %2")
                              .arg(locale.toString(minValue_, 'f', places),
                                   locale.toString(maxValue_, 'f', places)));
    }
    return result;
}

void TCustomNumEdit::CheckRange() {
    double value = 0;
    if (CheckOnExit && IsValidFloat(TextToValText(text()), value))
        CheckValue(value, true);
}

void TCustomNumEdit::UpdateData() {
    double value = 0;
    value_ = IsValidFloat(TextToValText(text()), value) ? CheckValue(value, false) : minValue_;
}

double TCustomNumEdit::GetValue() {
    UpdateData();
    return value_;
}

void TCustomNumEdit::SetValue(double value) {
    if (!std::isfinite(value))
        return;
    value_ = CheckValue(value, false);
    DataChanged();
    update();
}

void TCustomNumEdit::SetMinValue(double value) {
    if (value == minValue_)
        return;
    minValue_ = value;
    SetValue(value_);
}

void TCustomNumEdit::SetMaxValue(double value) {
    if (value == maxValue_)
        return;
    maxValue_ = value;
    SetValue(value_);
}

void TCustomNumEdit::SetDecimalPlaces(int value) {
    if (value == decimalPlaces_)
        return;
    decimalPlaces_ = value;
    DataChanged();
    update();
}

void TCustomNumEdit::SetDisplayFormat(const QString& value) {
    if (value == DisplayFormat())
        return;
    displayFormat_ = value;
    update();
    DataChanged();
}

void TCustomNumEdit::SetZeroEmpty(bool value) {
    if (value == zeroEmpty_)
        return;
    zeroEmpty_ = value;
    DataChanged();
}

void TCustomNumEdit::SetBeepOnError(bool value) {
    if (value == beepOnError_)
        return;
    beepOnError_ = value;
    UpdatePopup();
}

void TCustomNumEdit::DataChanged() {
    QString shown;
    if (!(value_ == 0 && zeroEmpty_)) {
        const int places = std::min(decimalPlaces_, MaxDecimals);
        const QString pattern =
            places == 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(places, '#');
        shown = FormatFloat(pattern, value_);
    }
    SetText(shown);
    lastValidText_ = shown;
}

void TCustomNumEdit::SetFormatOnEditing(bool value) {
    if (value == formatOnEditing_)
        return;
    formatOnEditing_ = value;
    setAlignment((value ? DisplayAlignment : Qt::AlignLeft) | Qt::AlignVCenter);
    if (!hasFocus())
        return;
    if (value) {
        ReformatEditText();
    } else {
        UpdateData();
        DataChanged();
    }
}

void TCustomNumEdit::ReformatEditText() {
    const QLocale locale;
    QString shown = text();
    if (!shown.isEmpty() && shown != QLatin1String("-")) {
        shown = TextToValText(shown);
        if (DisplayFormat().contains(QLatin1Char(',')))
            shown = FormatFloatStr(shown, decimalPoint(locale), groupSeparator(locale));
    }
    const qsizetype fromEnd = text().size() - cursorPosition();
    formatting_ = true;
    SetText(shown);
    formatting_ = false;
    if (hasFocus())
        setCursorPosition(int(std::max<qsizetype>(0, shown.size() - fromEnd)));
}

void TCustomNumEdit::Change() {
    if (formatting_)
        return;
    if (formatOnEditing_ && hasFocus())
        ReformatEditText();
    TCustomComboEdit::Change();
}

void TCustomNumEdit::Reset() {
    DataChanged();
    selectAll();
}

QString TCustomNumEdit::GetDisplayText() const {
    const QString format = DisplayFormat();
    return format.isEmpty() ? QString::number(value_) : FormatFloat(format, value_);
}

void TCustomNumEdit::AcceptValue(const QVariant& value) {
    SetValue(value.toDouble());
    setModified(true);
    Change();
}

void TCustomNumEdit::SetPopupValue(const QVariant&) {
    if (Popup())
        Popup()->SetValue(QVariant(GetValue()));
}

void TCustomNumEdit::textEdited() {
    double value = 0;
    if (IsValidFloat(TextToValText(text()), value)) {
        lastValidText_ = text();
        return;
    }
    // A paste, drop or middle click that brought no number: the text before it comes back.
    SetText(lastValidText_);
    selectAll();
    if (beepOnError_)
        platform::Beep(0);
}

void TCustomNumEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    QChar key = typed.size() == 1 ? typed[0] : QChar();
    const QLocale locale;
    if (PopupVisible() && !key.isNull()) {
        const QChar upper = key.toUpper();
        const bool calcKey = QStringLiteral("0123456789.,+-*/%=_CQR\b\r").contains(upper) ||
                             upper == decimalPoint(locale);
        if (calcKey) {
            Popup()->PopupKeyPress(key);
            event->accept();
            return;
        }
    }
    if (key == QChar(27) && !PopupVisible()) {
        Reset();
        event->accept();
        return;
    }
    // Either mark types the decimal separator, also where "." groups the thousands; while the
    // thousands are grouped as one types, their separator types itself.
    const bool typesItself = formatOnEditing_ && key == groupSeparator(locale);
    if ((key == QLatin1Char('.') || key == QLatin1Char(',')) && !typesItself)
        key = decimalPoint(locale);
    if (key >= QLatin1Char(' ') && key != QChar(0x7F) &&
        !(event->modifiers() & Qt::ControlModifier)) {
        if (!IsValidChar(key)) {
            if (beepOnError_)
                platform::Beep(0);
            event->accept();
            return;
        }
        if (key != typed[0]) {
            insert(key);
            lastValidText_ = text();
            event->accept();
            return;
        }
    }
    TCustomComboEdit::keyPressEvent(event);
}

void TCustomNumEdit::focusInEvent(QFocusEvent* event) {
    if (formatOnEditing_ && event->reason() != Qt::PopupFocusReason)
        ReformatEditText();
    TCustomComboEdit::focusInEvent(event);
    SetFocused(true);
}

void TCustomNumEdit::focusOutEvent(QFocusEvent* event) {
    TCustomComboEdit::focusOutEvent(event);
    if (Reporting() || event->reason() == Qt::PopupFocusReason)
        return;
    if (FocusStaysInWindow(event)) {
        try {
            CheckRange();
        } catch (const ERangeError& error) {
            ReportExitError(error.Message());
            return;
        }
    }
    UpdateData();
    SetFocused(false);
    setCursorPosition(0);
}

void TCustomNumEdit::SetFocused(bool value) {
    update();
    // Entering keeps the text as it is: the text is what the value is read from.
    if (value)
        return;
    formatting_ = true;
    DataChanged();
    formatting_ = false;
}

void TCustomNumEdit::paintEvent(QPaintEvent* event) {
    // Unfocused, the value in the display format (or the calculator's text while it is open).
    const QString shown = PopupVisible() ? Popup()->GetPopupText() : GetDisplayText();
    if (!PaintComboEdit(this, shown, DisplayAlignment, hasFocus() && !PopupVisible(), nullptr,
                        event))
        TCustomComboEdit::paintEvent(event);
}

// ---------------------------------------------------------------------------------------------

TCurrencyEdit::TCurrencyEdit(QWidget* parent) : TCustomNumEdit(parent) {
    SetButtonWidth(0);
}

QString TCurrencyEdit::DefaultDisplayFormat() const {
    const QLocale locale;
    QString symbol = locale.currencySymbol();
    for (const QChar mark : {QLatin1Char(','), QLatin1Char('.')})
        symbol.replace(mark, QStringLiteral("'") + mark + QStringLiteral("'"));
    // Where the locale puts its symbol, and whether a blank stands between.
    const QString sample = locale.toCurrencyString(1.0);
    const bool before = sample.indexOf(locale.currencySymbol()) < sample.indexOf(QLatin1Char('1'));
    const bool blank = sample.contains(QLatin1Char(' ')) || sample.contains(QChar(0xA0));
    const QString number = QStringLiteral(",0.00");
    const QString positive = before ? symbol + (blank ? QStringLiteral(" ") : QString()) + number
                                    : number + (blank ? QStringLiteral(" ") : QString()) + symbol;
    return positive + QStringLiteral(";-") + positive;
}

TKxCustomCalcEdit::TKxCustomCalcEdit(QWidget* parent) : TCustomNumEdit(parent) {
    SetPopup(CreatePopupCalculator(this, layoutDirection()));
    UpdatePopup();
}

void TKxCustomCalcEdit::UpdatePopup() {
    SetupPopupCalculator(Popup(), 15, BeepOnError());
}
