#pragma once
// The four-function calculator with one memory: the keypad over the engine (TCalculatorPanel with
// TCalcButton keys), the modal dialog (TKxCalculator, TKxCalculatorForm) and the drop-down of the
// calculator edit (TPopupCalculator).

#include "controls/KXCtrls.h"
#include "controls/KxCalcEngine.h"
#include "controls/ToolEdit.h"
#include "platform/Panel.h"

#include <QDialog>

class QLabel;

enum TCalcPanelLayout { clDialog, clPopup };

class TCalcButton : public TKxSpeedButton {
    Q_OBJECT
public:
    TCalcButton(int kind, QWidget* parent);
    int Kind() const { return kind_; }
    // Kind - 1 for the keys a typed character presses (kinds 1 to 22), else -1.
    int Tag() const { return kind_ >= 1 && kind_ <= 22 ? kind_ - 1 : -1; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void setColour();
    int kind_;
};

class TCalculatorPanel : public platform::TCustomPanel {
    Q_OBJECT
public:
    TCalculatorPanel(TCalcPanelLayout layout, QWidget* parent = nullptr);

    TCalcEngine& Engine() { return engine_; }
    const TCalcEngine& Engine() const { return engine_; }
    // The caption that follows the display text, or none.
    QLabel* DisplayControl = nullptr;
    QLabel* MemoryLabel() const { return memoryLabel_; }
    TCalcButton* Key(int kind) const;

    // A typed character: presses the key it maps to, or goes to the engine.
    void PressKey(QChar Key);
    void Copy();
    void Paste();
    void UpdateMemoryLabel();
    // The keys' font, and the memory label's plain message font, after scaling.
    void SetFonts(const QFont& keys);

protected:
    // Off: the keys in the old button style, the memory panel with a single border instead of
    // its bevel.
    void Ctl3DChanged() override;

private:
    void keyClick(TCalcButton* button);
    void buildKeys(TCalcPanelLayout layout);
    // The keys and the memory panel in the keypad's look, as built and whenever it changes.
    void applyLook();

    TCalcEngine engine_;
    platform::TCustomPanel* memoryPanel_ = nullptr;
    QLabel* memoryLabel_ = nullptr;
    QList<TCalcButton*> keys_;
};

class TKxCalculatorForm : public QDialog {
    Q_OBJECT
public:
    explicit TKxCalculatorForm(QWidget* parent = nullptr);
    TCalculatorPanel* CalcPanel() const { return panel_; }
    QLabel* Display() const { return display_; }
    // Not 0: the help key shows and opens the program's help at this context.
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int value);
    TKxSpeedButton* HelpButton() const { return helpButton_; }
    // Flat, the panels lose their outer bevel and the keys take the old style.
    void SetCtl3D(bool value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void placeKeypad();

    platform::TCustomPanel* main_;
    platform::TCustomPanel* displayPanel_;
    TCalculatorPanel* panel_;
    QLabel* display_;
    TKxSpeedButton* helpButton_;
    int helpContext_ = 0;
};

TKxCalculatorForm* CreateCalculatorForm(QWidget* owner, int helpContext);

class TKxCalculator : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Title MEMBER Title)
    Q_PROPERTY(double Value MEMBER Value)
    Q_PROPERTY(int Precision MEMBER Precision)
    Q_PROPERTY(bool BeepOnError MEMBER BeepOnError)
    Q_PROPERTY(bool Ctl3D MEMBER Ctl3D)
public:
    using QObject::QObject;

    QString Title = QStringLiteral("Calculator");
    double Value = 0;
    double Memory = 0;
    int Precision = 15;
    bool BeepOnError = true;
    bool Ctl3D = true;
    int HelpContext = 0;
    std::function<void(QObject* Sender, QChar& Key)> OnCalcKey;
    TNotifyEvent OnChange;
    TNotifyEvent OnDisplayChange;

    // True when the user pressed OK.
    bool Execute();
    // The open dialog's display value, or Value.
    double DisplayValue() const;

private:
    TKxCalculatorForm* form_ = nullptr;
};

class TPopupCalculator : public TPopupWindow {
    Q_OBJECT
public:
    explicit TPopupCalculator(QWidget* editor);

    QVariant GetValue() const override;
    void SetValue(const QVariant& value) override;
    QString GetPopupText() const override;
    void PopupKeyPress(QChar key) override;
    TCalculatorPanel* CalcPanel() const { return panel_; }

private:
    TCalculatorPanel* panel_;
};

TPopupWindow* CreatePopupCalculator(QWidget* owner, Qt::LayoutDirection direction);
void SetupPopupCalculator(TPopupWindow* popup, int precision, bool beepOnError);

// The six drawn key pictures of the dialog: Cancel, OK, sign, times, minus, plus.
platform::TBitmap CalculatorGlyphs();
