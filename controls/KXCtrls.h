#pragma once
// The shadowed label and the speed button that the control library and the windows stand on.
// Both paint themselves: their states are not Qt's.

#include "controls/KXCtrlsGlyphs.h"
#include "platform/AlignLayout.h"
#include "platform/Colors.h"
#include "platform/ControlDrag.h"
#include "platform/ControlEvents.h"
#include "platform/ParentColor.h"
#include "platform/PopupMenu.h"
#include "platform/ShowHint.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QAction;
class QShortcut;
class TKxTimer;

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TKxDropDownMenuPos { dmpBottom, dmpRight };

// Draws the text in the shadow colour offset by the shadow, then in the painter's pen colour.
// Returns the shadow pass's text height (plus ShadowSize when positive); Rect becomes the union of
// both rectangles. With Calculate nothing is drawn and Rect is the size the text needs.
int DrawShadowText(QPainter& DC, const QString& Text, QRect& Rect, int Format, int ShadowSize,
                   TColor ShadowColor, TShadowPosition ShadowPos, bool Calculate = false);

// The 3-D frame of a button face; returns the rectangle inside it.
QRect DrawSpeedButtonFrame(QPainter& Canvas, const QRect& Client, bool IsDown, bool IsFlat,
                           TButtonStyle Style);

class TKxCustomLabel : public QWidget,
                       public platform::TControlEvents,
                       public platform::TDragControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
public:
    explicit TKxCustomLabel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int Value);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition Value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool Value);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool Value);
    int LeftMargin() const { return leftMargin_; }
    void SetLeftMargin(int Value);
    int RightMargin() const { return rightMargin_; }
    void SetRightMargin(int Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    bool ParentColor() const { return parentColor_.Get(); }
    void SetParentColor(bool Value) { parentColor_.Set(Value); }
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* Value);
    TAnchors Anchors() const { return platform::GetAnchors(this); }
    void SetAnchors(TAnchors Value) { platform::SetAnchors(this, Value); }
    bool ShowHint() const { return showHint_.Get(); }
    void SetShowHint(bool Value) { showHint_.Set(Value); }
    bool ParentShowHint() const { return showHint_.Parent(); }
    void SetParentShowHint(bool Value) { showHint_.SetParent(Value); }
    bool MouseInside() const { return mouseInside_; }

    // Resizes the label to its text when AutoSize is on.
    void AdjustBounds();
    void UpdateTracking();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    virtual TColor GetDefaultFontColor() const { return fontColor_; }
    virtual QString GetLabelCaption() const { return caption_; }
    virtual void MouseEnter();
    virtual void MouseLeave();

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void DoDrawText(QPainter& painter, QRect& rect, int flags, bool calculate);
    QRect marginRect() const;
    void focusChanged(QWidget* now);
    void updateAccelerator();
    template <class T> void changeLook(T& field, T value);
    template <class T> void changeSize(T& field, T value);
    void showColor(TColor Value);

    QPointer<QWidget> focusControl_;
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    TTextLayout layout_ = tlTop;
    TColor shadowColor_ = platform::clBtnHighlight;
    int shadowSize_ = 1;
    TShadowPosition shadowPos_ = spLeftTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool showFocus_ = false;
    bool focused_ = false;
    bool mouseInside_ = false;
    bool dragging_ = false;
    int leftMargin_ = 0;
    int rightMargin_ = 0;
    QString caption_;
    TColor color_ = platform::clBtnFace;
    platform::TParentColor parentColor_{this, [this](TColor Value) { showColor(Value); }};
    TColor fontColor_ = platform::clWindowText;
    bool transparent_ = false;
    QShortcut* accelerator_ = nullptr;
    platform::TShowHint showHint_{this, true};
};

class TKxLabel : public TKxCustomLabel {
    Q_OBJECT
public:
    using TControlEvents::OnContextPopup;
    using TControlEvents::OnMouseDown;
    using TControlEvents::OnMouseMove;
    using TControlEvents::OnMouseUp;
    using TControlEvents::PopupMenu;
    using TControlEvents::SetPopupMenu;
    using TKxCustomLabel::TKxCustomLabel;
};

class TKxSpeedButton : public QWidget,
                       public platform::TControlEvents,
                       public platform::TDragControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
public:
    explicit TKxSpeedButton(QWidget* parent = nullptr);
    ~TKxSpeedButton() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& Value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle Value);
    bool Down() const { return down_; }
    void SetDown(bool Value);
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool Value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout Value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int Value);
    int Margin() const { return margin_; }
    void SetMargin(int Value);
    int ModalResult = 0;
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool Value);
    platform::TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(platform::TPopupMenu* Value);
    TKxDropDownMenuPos MenuPosition = dmpBottom;
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool Value);
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool Value);
    unsigned short InitPause = 500;
    unsigned short RepeatInterval = 100;
    const platform::TBitmap& Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const platform::TBitmap& Value);
    TKxNumGlyphs NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(TKxNumGlyphs Value);
    bool WordWrap() const { return glyph_.WordWrap; }
    void SetWordWrap(bool Value);
    TAlignment Alignment() const { return glyph_.Alignment; }
    void SetAlignment(TAlignment Value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor Value);
    TAnchors Anchors() const { return platform::GetAnchors(this); }
    void SetAnchors(TAnchors Value) { platform::SetAnchors(this, Value); }
    bool ShowHint() const { return showHint_.Get(); }
    void SetShowHint(bool Value) { showHint_.Set(Value); }
    bool ParentShowHint() const { return showHint_.Parent(); }
    void SetParentShowHint(bool Value) { showHint_.SetParent(Value); }

    // The action link: the button follows the action and triggers it when clicked.
    QAction* Action() const { return action_; }
    void SetAction(QAction* Value);

    TKxButtonState State() const { return state_; }
    bool MouseInside() const { return mouseInside_; }
    TKxButtonGlyph& ButtonGlyph() { return glyph_; }
    // The repeat timer, once a press has needed it.
    TKxTimer* RepeatTimer() const { return repeatTimer_; }

    // Presses the button without the mouse.
    void ButtonClick();
    bool CheckBtnMenuDropDown();
    bool CheckMenuDropDown(QPoint Pos, bool Manual);
    QPoint GetDropDownMenuPos() const;
    virtual void Click();
    void UpdateTracking();
    void DoMouseUp(Qt::MouseButton Button, QPoint Pos);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    using TControlEvents::OnMouseDown;
    using TControlEvents::OnMouseMove;
    using TControlEvents::OnMouseUp;

protected:
    virtual void PaintGlyph(QPainter& Canvas, const QRect& ARect, TKxButtonState AState,
                            bool DrawMark);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void ActionChange(QAction* Sender, bool CheckDefaults);

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool inside(QPoint pos) const;
    // Tells the pointer's coming or going and shows it on a flat button; false when the event
    // deleted the button.
    bool setMouseInside(bool now);
    void TimerExpired();
    void UpdateExclusive();
    void ButtonPressed(int group, TKxSpeedButton* sender);
    void updateAccelerator();
    void buildFirstImage();
    template <class T> void changeLook(T& field, T value);

    int groupIndex_ = 0;
    TButtonStyle style_ = bsAutoDetect;
    TKxButtonGlyph glyph_;
    bool down_ = false;
    bool dragging_ = false;
    bool flat_ = false;
    bool mouseInside_ = false;
    bool allowAllUp_ = false;
    TButtonLayout layout_ = blGlyphTop;
    int spacing_ = 1;
    int margin_ = -1;
    bool transparent_ = false;
    bool markDropDown_ = true;
    QPointer<platform::TPopupMenu> dropDownMenu_;
    bool grayedInactive_ = true;
    bool menuTracking_ = false;
    TKxTimer* repeatTimer_ = nullptr;
    bool allowTimer_ = false;
    TKxButtonState state_ = rbsUp;
    QString caption_;
    TColor fontColor_ = platform::clBtnText;
    QShortcut* accelerator_ = nullptr;
    QPointer<QAction> action_;
    platform::TShowHint showHint_{this, false};
};
