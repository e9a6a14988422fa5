#include "controls/KxCalcEngine.h"

#include <algorithm>
#include <cmath>

TCalcEngine::TCalcEngine() = default;

int TCalcEngine::ShownDigits() const {
    return std::clamp(Precision, 2, 18);
}

void TCalcEngine::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    if (OnTextChange)
        OnTextChange();
}

void TCalcEngine::beep() {
    if (BeepOnError && OnBeep)
        OnBeep();
}

void TCalcEngine::error() {
    status_ = csError;
    setText(QStringLiteral("Error"));
    beep();
    if (OnError)
        OnError();
}

bool TCalcEngine::ParseNumber(QString text, double& value) const {
    text = text.trimmed();
    if (DecimalSeparator != QLatin1Char('.'))
        text.replace(DecimalSeparator, QLatin1Char('.'));
    // Only digits, one point, signs and an exponent: no "nan" or "inf".
    for (const QChar c : text) {
        if (!c.isDigit() && !QStringLiteral(".+-eE").contains(c))
            return false;
    }
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

double TCalcEngine::DisplayValue() const {
    double value = 0;
    if (status_ == csError || !ParseNumber(text_, value))
        return 0;
    return value;
}

void TCalcEngine::SetDisplay(double Value) {
    QString text = QString::number(Value, 'g', ShownDigits()).toUpper();
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    text.replace(QLatin1Char('.'), DecimalSeparator);
    if (text == text_)
        return;
    setText(text);
    if (OnDisplayChange)
        OnDisplayChange();
}

void TCalcEngine::showResult(double value) {
    if (std::isfinite(value))
        SetDisplay(value);
    else
        error();
}

void TCalcEngine::Clear() {
    status_ = csFirst;
    SetDisplay(0);
    operator_ = QLatin1Char('=');
}

void TCalcEngine::decimalKey() {
    if (status_ == csFirst) {
        status_ = csValid;
        setText(QStringLiteral("0"));
    }
    // A display in exponent form takes no separator: it would no longer read as a number.
    if (!text_.contains(DecimalSeparator) && !text_.contains(QLatin1Char('E')))
        setText(text_ + DecimalSeparator);
}

void TCalcEngine::digitKey(QChar key) {
    if (status_ == csFirst) {
        status_ = csValid;
        setText(QStringLiteral("0"));
    }
    QString text = text_ == QLatin1String("0") ? QString() : text_;
    if (text.contains(QLatin1Char('E')))
        return;
    const int limit = ShownDigits() + (text.contains(QLatin1Char('-')) ? 1 : 0);
    if (text.size() < limit)
        text += key;
    else
        beep();
    setText(text.isEmpty() ? QStringLiteral("0") : text);
}

void TCalcEngine::functionKey(QChar key) {
    if (status_ == csError)
        return;
    status_ = csFirst;
    const double value = DisplayValue();
    if (key == QLatin1Char('Q') && value >= 0)
        showResult(std::sqrt(value));
    else if (key == QLatin1Char('R') && value != 0)
        showResult(1 / value);
    else
        error();
}

void TCalcEngine::backspace() {
    if (status_ == csFirst) {
        status_ = csValid;
        setText(QStringLiteral("0"));
    }
    if (text_.size() == 1 || (text_.size() == 2 && text_[0] == QLatin1Char('-')))
        setText(QStringLiteral("0"));
    else
        setText(withoutEmptyExponent(text_.chopped(1)));
}

QString TCalcEngine::withoutEmptyExponent(QString text) {
    // "1E-" no longer reads as a number: an exponent without digits goes back to the mantissa.
    if (text.endsWith(QLatin1Char('+')) || text.endsWith(QLatin1Char('-')))
        if (text.size() > 1 && text[text.size() - 2] == QLatin1Char('E'))
            text.chop(1);
    if (text.endsWith(QLatin1Char('E')))
        text.chop(1);
    return text;
}

void TCalcEngine::operatorKey(QChar key) {
    if (status_ == csValid) {
        status_ = csFirst;
        double r = DisplayValue();
        const char pending = char(operator_.unicode());
        if (key == QLatin1Char('%')) {
            if (pending == '+' || pending == '-')
                r = operand_ * r / 100;
            else if (pending == '*' || pending == '/')
                r = r / 100;
        }
        switch (pending) {
        case '+':
            showResult(operand_ + r);
            break;
        case '-':
            showResult(operand_ - r);
            break;
        case '*':
            showResult(operand_ * r);
            break;
        case '/':
            if (r != 0)
                showResult(operand_ / r);
            else
                error();
            break;
        default:
            break;
        }
    }
    operator_ = key;
    operand_ = DisplayValue();
    if (key == QLatin1Char('=') || key == QLatin1Char('%') || key == QChar(13)) {
        if (OnResult)
            OnResult();
    }
}

void TCalcEngine::ProcessKey(QChar Key) {
    Key = Key.toUpper();
    if (status_ == csError && Key != QLatin1Char('C'))
        Key = QChar(0);
    if (OnCalcKey)
        OnCalcKey(Key);
    const ushort k = Key.unicode();
    if (Key == QLatin1Char(',') || Key == QLatin1Char('.') || Key == DecimalSeparator)
        decimalKey();
    else if (k >= '0' && k <= '9')
        digitKey(Key);
    else if (k == 'Q' || k == 'R')
        functionKey(Key);
    else if (k == '_')
        SetDisplay(-DisplayValue());
    else if (k == 'C' || k == 27)
        Clear();
    else if (k == 8)
        backspace();
    else if (k == 3 && WriteClipboard)
        WriteClipboard(text_);
    else if (k == 22 && ReadClipboard)
        paste();
    else if (QStringLiteral("+-*/=%\r").contains(Key) && k != 0)
        operatorKey(Key);
}

void TCalcEngine::paste() {
    QString text;
    if (ReadClipboard(text))
        PasteText(text);
}

void TCalcEngine::PasteText(const QString& text) {
    QString number = text;
    if (!CurrencyString.isEmpty())
        number.remove(CurrencyString);
    double value = 0;
    if (ParseNumber(number, value)) {
        SetDisplay(value);
        status_ = csValid;
    } else {
        setText(QStringLiteral("0"));
    }
}

void TCalcEngine::MemoryPlus() {
    if (status_ == csError)
        return;
    status_ = csFirst;
    memory_ += DisplayValue();
}

void TCalcEngine::MemoryStore() {
    if (status_ == csError)
        return;
    status_ = csFirst;
    memory_ = DisplayValue();
}

void TCalcEngine::MemoryRecall() {
    if (status_ == csError)
        return;
    status_ = csValid;
    setText(QStringLiteral("0"));
    showResult(memory_);
}

void TCalcEngine::MemoryClear() {
    memory_ = 0;
}

void TCalcEngine::OK() {
    if (status_ == csError) {
        beep();
        return;
    }
    SetDisplay(DisplayValue());
    if (OnOK)
        OnOK();
}

void TCalcEngine::Cancel() {
    if (OnCancel)
        OnCancel();
}
