#pragma once
// The right-aligned number edits on the combo edit: TCustomNumEdit (value, limits, display
// format), TCurrencyEdit (the locale's currency format, no button) and TKxCalcEdit (its button
// drops down the calculator). Unfocused they show the value in the display format.

#include "controls/ToolEdit.h"

#include <QLocale>

// The value written with a display-format pattern: up to three sections "positive;negative;zero";
// "0" a digit always shown, "#" a digit shown when needed, "." the decimal separator, "," anywhere
// in the integer part groups the thousands; text in quotes and other characters stand as they
// are. At most 18 decimals.
QString FormatFloat(const QString& pattern, double value, const QLocale& locale = QLocale());

class TCustomNumEdit : public TCustomComboEdit {
    Q_OBJECT
    Q_PROPERTY(double Value READ GetValue WRITE SetValue)
public:
    explicit TCustomNumEdit(QWidget* parent = nullptr);

    double GetValue();
    void SetValue(double value);
    qint64 GetAsInteger() { return qint64(GetValue()); }
    double MinValue() const { return minValue_; }
    void SetMinValue(double value);
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value);
    int DecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(int value);
    QString DisplayFormat() const { return displayFormat_.value_or(DefaultDisplayFormat()); }
    void SetDisplayFormat(const QString& value);
    bool ZeroEmpty() const { return zeroEmpty_; }
    void SetZeroEmpty(bool value);
    bool BeepOnError() const { return beepOnError_; }
    void SetBeepOnError(bool value);
    Qt::Alignment DisplayAlignment = Qt::AlignRight;
    bool CheckOnExit = false;
    // Groups the thousands while the user types, with the edit aligned as the display.
    bool FormatOnEditing() const { return formatOnEditing_; }
    void SetFormatOnEditing(bool value);

    // The value held to the limits; with `raise` a value outside them throws ERangeError.
    double CheckValue(double value, bool raise) const;
    void CheckRange();
    void UpdateData();
    void DataChanged();
    void Reset();
    // The edit text with its integer digits regrouped; the caret keeps its distance from the end.
    virtual void ReformatEditText();
    QString GetDisplayText() const;
    virtual QString DefaultDisplayFormat() const { return QStringLiteral(",0.##"); }
    virtual bool IsValidChar(QChar key) const;
    virtual void UpdatePopup() {}
    // The locale's number text: thousands separators dropped, "." and "," as the decimal
    // separator, "" as "0" and "-" as "-0".
    QString TextToValText(const QString& text) const;

    void AcceptValue(const QVariant& value) override;
    void SetPopupValue(const QVariant& value) override;

protected:
    platform::TBitmap GetDefaultBitmap() const override;
    void Change() override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Only signs, digits, exponents and the decimal separator, and a number as a whole.
    bool IsValidFloat(const QString& text, double& value) const;
    // Shown with the display format, or as the plain number for editing.
    void SetFocused(bool value);
    void textEdited();

    double value_ = 0;
    double minValue_ = 0;
    double maxValue_ = 0;
    int decimalPlaces_ = 2;
    std::optional<QString> displayFormat_;
    bool zeroEmpty_ = true;
    bool beepOnError_ = true;
    bool formatOnEditing_ = false;
    bool formatting_ = false;
    QString lastValidText_;
};

class ERangeError : public std::runtime_error {
public:
    explicit ERangeError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

class TCurrencyEdit : public TCustomNumEdit {
    Q_OBJECT
public:
    explicit TCurrencyEdit(QWidget* parent = nullptr);
    QString DefaultDisplayFormat() const override;
};

class TKxCustomCalcEdit : public TCustomNumEdit {
    Q_OBJECT
public:
    explicit TKxCustomCalcEdit(QWidget* parent = nullptr);
    void UpdatePopup() override;
};

class TKxCalcEdit : public TKxCustomCalcEdit {
    Q_OBJECT
public:
    using TKxCustomCalcEdit::TKxCustomCalcEdit;
};

// The drawn pictures of the numeric edits' button: two cells (enabled, disabled).
platform::TBitmap CalcEditGlyph();
