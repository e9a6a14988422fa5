#pragma once
// The numeric edit with spin buttons: the edit (TKxSpinEdit), its two-part diagonal button
// (TKxSpinButton) and the up-down variant (TKxUpDown).

#include "platform/Classes.h"
#include "platform/MaskEdit.h"

#include <QLineEdit>
#include <QPixmap>
#include <QPointer>

class QTimer;
class QToolButton;

enum TSpinButtonState { sbNotDown, sbTopDown, sbBottomDown };

// Two halves split by the diagonal from the bottom-left to the top-right corner; holding a half
// repeats its click (after 400 ms, then every 100 ms).
class TKxSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TKxSpinButton(QWidget* parent = nullptr);

    QPixmap UpGlyph() const { return upGlyph_; }
    // A null picture restores the default.
    void SetUpGlyph(const QPixmap& glyph);
    QPixmap DownGlyph() const { return downGlyph_; }
    void SetDownGlyph(const QPixmap& glyph);
    TSpinButtonState State() const { return state_; }
    QWidget* FocusControl = nullptr;
    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;

    // The repeat timer's tick: repeats the pressed half's click while the button is held.
    void TimerExpired();
    QTimer* RepeatTimer() const { return repeatTimer_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool belowDiagonal(QPointF point) const;
    void setState(TSpinButtonState state);
    // The half's event, after which the half is let go unless the left button is still down.
    void TopClick();
    void BottomClick();
    QPixmap face(TSpinButtonState state) const;

    QPixmap upGlyph_;
    QPixmap downGlyph_;
    TSpinButtonState state_ = sbNotDown;
    TSpinButtonState lastState_ = sbNotDown;
    bool dragging_ = false;
    QTimer* repeatTimer_ = nullptr;
};

// The platform's up-down: two arrow buttons that repeat while held.
class TKxUpDown : public QWidget {
    Q_OBJECT
public:
    enum TUDBtnType { btNext, btPrev };
    explicit TKxUpDown(QWidget* parent = nullptr);

    std::function<void(QObject* Sender, TUDBtnType Button)> OnClick;
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

private:
    QToolButton* up_;
    QToolButton* down_;
};

class TKxSpinEdit : public platform::TCustomEdit {
    Q_OBJECT
    Q_PROPERTY(double Value READ GetValue WRITE SetValue)
    Q_PROPERTY(double MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(double MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(double Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(int Decimal READ Decimal WRITE SetDecimal)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
    Q_PROPERTY(bool ArrowKeys READ ArrowKeys WRITE SetArrowKeys)
    Q_PROPERTY(TValueType ValueType READ ValueType WRITE SetValueType)
    Q_PROPERTY(TSpinButtonKind ButtonKind READ ButtonKind WRITE SetButtonKind)
    Q_PROPERTY(bool AutoSelect MEMBER AutoSelect)
public:
    enum TValueType { vtInt, vtFloat, vtHex };
    Q_ENUM(TValueType)
    enum TSpinButtonKind { bkStandard, bkDiagonal };
    Q_ENUM(TSpinButtonKind)

    explicit TKxSpinEdit(QWidget* parent = nullptr);

    // The text's number held to the limits (a text that does not convert reads as MinValue).
    double GetValue() const;
    // Non-finite values are ignored.
    void SetValue(double value);
    qint64 GetAsInteger() const;
    void SetAsInteger(qint64 value) { SetValue(double(value)); }
    double CheckValue(double value) const;

    double MinValue() const { return minValue_; }
    void SetMinValue(double value) { minValue_ = value; }
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value) { maxValue_ = value; }
    double Increment() const { return increment_; }
    void SetIncrement(double value) { increment_ = value; }
    int Decimal() const { return decimal_; }
    void SetDecimal(int value);
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool value) { editorEnabled_ = value; }
    bool ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool value);
    TValueType ValueType() const { return valueType_; }
    void SetValueType(TValueType value);
    TSpinButtonKind ButtonKind() const { return buttonKind_; }
    void SetButtonKind(TSpinButtonKind value);
    // The kind in use: every Qt style draws both.
    TSpinButtonKind GetButtonKind() const { return buttonKind_; }
    Qt::Alignment Alignment() const { return alignment() & Qt::AlignHorizontal_Mask; }
    void SetAlignment(Qt::Alignment value) { setAlignment(value | Qt::AlignVCenter); }

    TKxSpinButton* SpinButton() const { return spinButton_; }
    TKxUpDown* UpDown() const { return upDown_; }
    int GetButtonWidth() const;
    // The smaller of the application's and the control's text heights, with room for the border.
    int GetMinHeight() const;
    // Entering the control by keyboard selects its text.
    bool AutoSelect = true;

    virtual bool IsValidChar(QChar key) const;
    virtual void UpClick(QObject* Sender);
    virtual void DownClick(QObject* Sender);
    // The up-down's click: the edit takes the focus, then the click for the button.
    void UpDownClick(QObject* Sender, TKxUpDown::TUDBtnType Button);

    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;
    TNotifyEvent OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void BorderChanged() override { ResizeButton(); }
    bool CanPaste() const override { return editorEnabled_ && !isReadOnly(); }

private:
    // The text's number without the limits; false when it does not convert.
    bool parsedValue(double& value) const;
    double rawValue() const;
    void spin(double delta, const TNotifyEvent& event);
    void RecreateButton();
    void ResizeButton();
    void SetEditRect();

    double minValue_ = 0;
    double maxValue_ = 0;
    double increment_ = 1.0;
    int decimal_ = 2;
    bool editorEnabled_ = true;
    bool arrowKeys_ = true;
    TValueType valueType_ = vtInt;
    TSpinButtonKind buttonKind_ = bkDiagonal;
    bool changing_ = false;
    QPointer<QWidget> container_;
    TKxSpinButton* spinButton_ = nullptr;
    TKxUpDown* upDown_ = nullptr;
};

// The drawn spin pictures: an up and a down arrow for the diagonal button.
QPixmap SpinGlyph(bool up);
