#pragma once
// The calculator's engine, free of widgets: a display text and its value in the manner of a desk
// calculator (an operator is evaluated when the next operator or "=" arrives), and one memory.

#include <QChar>
#include <QString>

#include <functional>

enum TKxCalcState { csFirst, csValid, csError };

class TCalcEngine {
public:
    TCalcEngine();

    // The locale's decimal separator and currency string (a paste drops the latter).
    QChar DecimalSeparator = QLatin1Char('.');
    QString CurrencyString;
    int Precision = 15;
    bool BeepOnError = true;

    std::function<void()> OnError;
    std::function<void()> OnOK;
    std::function<void()> OnCancel;
    std::function<void()> OnResult;
    std::function<void()> OnTextChange;
    std::function<void()> OnDisplayChange;
    // May change the key before it is processed.
    std::function<void(QChar& Key)> OnCalcKey;
    // A refused key or an error; the panel beeps.
    std::function<void()> OnBeep;
    // The clipboard (Ctrl+C and Ctrl+V): reading answers false when it holds no text.
    std::function<void(const QString& Text)> WriteClipboard;
    std::function<bool(QString& Text)> ReadClipboard;

    void ProcessKey(QChar Key);
    double DisplayValue() const;
    void SetDisplay(double Value);
    const QString& Text() const { return text_; }
    TKxCalcState Status() const { return status_; }
    void SetStatus(TKxCalcState status) { status_ = status; }
    QChar Operator() const { return operator_; }
    void SetOperator(QChar op) { operator_ = op; }
    double Memory() const { return memory_; }
    void SetMemory(double value) { memory_ = value; }
    void Clear();
    // The display text parsed; false for no finite number.
    bool ParseNumber(QString text, double& value) const;
    // A pasted text: the number it holds is shown and counts as entered; otherwise "0".
    void PasteText(const QString& text);

    void MemoryPlus();
    void MemoryStore();
    void MemoryRecall();
    void MemoryClear();
    void OK();
    void Cancel();

    // Digits shown: at least 2, at most 18.
    int ShownDigits() const;

private:
    void setText(const QString& text);
    void error();
    void beep();
    void decimalKey();
    void digitKey(QChar key);
    void functionKey(QChar key);
    void backspace();
    static QString withoutEmptyExponent(QString text);
    void operatorKey(QChar key);
    void paste();
    void showResult(double value);

    QString text_ = QStringLiteral("0");
    TKxCalcState status_ = csFirst;
    QChar operator_;
    double operand_ = 0;
    double memory_ = 0;
};
