#pragma once
// The customisable tool bar: a self-painting panel docked at an edge of its form that carries
// command buttons at free places on a snapping grid. Its commands are items grouped in named
// sections; an item that is not visible stays listed and can be put back on the bar while the
// bar is customised. The layout (edge, thickness, buttons and places) is kept in a settings file.

#include "controls/KXCtrls.h"
#include "platform/AlignLayout.h"
#include "platform/Panel.h"
#include "platform/Registry.h"
#include "storage/Placemnt.h"

#include <QEvent>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <stdexcept>

class TSpeedBar;
class TSpeedItem;
class TSpeedbarSection;
class TBtnControl;

enum TBarOrientation { boHorizontal, boVertical };
enum TBarPosition { bpAuto, bpCustom };

enum TSpeedbarOption {
    sbAllowDrag = 0x1,
    sbAllowResize = 0x2,
    sbFlatBtns = 0x4,
    sbGrayedBtns = 0x8,
    sbTransparentBtns = 0x10,
    sbStretchBitmap = 0x20
};
Q_DECLARE_FLAGS(TSpeedbarOptions, TSpeedbarOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSpeedbarOptions)

enum TBoundLine { blTop = 0x1, blBottom = 0x2, blLeft = 0x4, blRight = 0x8 };
Q_DECLARE_FLAGS(TBoundLines, TBoundLine)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBoundLines)

enum TSbScaleFlag { sfOffsetX = 0x1, sfOffsetY = 0x2, sfBtnSizeX = 0x4, sfBtnSizeY = 0x8 };
Q_DECLARE_FLAGS(TSbScaleFlags, TSbScaleFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSbScaleFlags)

using TForEachItem = std::function<void(TSpeedItem* Item, int Data)>;
using TApplyAlignEvent = std::function<void(QObject* Sender, TAlign Align, bool& Apply)>;

class ESpeedbarError : public std::runtime_error {
public:
    explicit ESpeedbarError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The message a bar sends, synchronously, to the window that customises it.
enum TSpeedbarChange { sbcLayout = 0, sbcDestroyed = 1, sbcItemDropped = 2, sbcButtonSize = 3 };

class TSpeedbarChangedEvent : public QEvent {
public:
    TSpeedbarChangedEvent(TSpeedbarChange WParam, QObject* LParam);
    static QEvent::Type EventType();

    TSpeedbarChange WParam;
    QObject* LParam;
};
// CM_SPEEDBARCHANGED, as the registered event type.
QEvent::Type CM_SPEEDBARCHANGED();

// While a drag runs: Escape or the application losing the focus cancels it. The key is taken
// wherever the focus is, since the dragging widget holds the mouse, not the keyboard.
class TDragCancel : public QObject {
public:
    explicit TDragCancel(QObject* AOwner, std::function<void()> Cancel);
    ~TDragCancel() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> cancel_;
};

// The image of a button while it is dragged: a small window that never takes the focus.
class TBtnControl : public QWidget {
    Q_OBJECT
public:
    explicit TBtnControl(QObject* AOwner);
    ~TBtnControl() override;

    void AssignSpeedItem(TSpeedItem* Item);
    // Shown at rect's top-left, on top of every other window, without taking the focus.
    void Activate(const QRect& Rect);
    void ReleaseHandle();

    int Spacing = 1;
    int Margin = -1;
    TButtonLayout Layout = blGlyphTop;
    int ImageIndex = -1;
    // The item's bar's list, watched so that a list destroyed during the drag is not drawn.
    const platform::TImageList* Images() const { return imagesLink_.Sender(); }
    TButtonImage& Image() { return image_; }
    // The widget that holds the mouse during the drag: it wears the drag cursor.
    QPointer<QWidget> CursorWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TButtonImage image_;
    platform::TChangeLink imagesLink_;
};

// The visible button of one item.
class TSpeedbarButton : public TKxSpeedButton {
    Q_OBJECT
public:
    explicit TSpeedbarButton(TSpeedItem* AItem);
    ~TSpeedbarButton() override;

    TSpeedItem* Item() const { return item_; }
    // Held inside the bar: a horizontal bar keeps Top at its vertical offset or more, a vertical
    // one Left at its horizontal offset or more.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TBtnControl* DragImage() const { return drag_; }
    // Ends a button drag without moving anything.
    void CancelDrag();
    // Out of sight while its image is dragged; it keeps the mouse meanwhile.
    bool DragHidden() const { return dragHidden_; }

    int Tag = 0;
    // A screen cursor number; 0 is the default arrow.
    int Cursor() const { return cursor_; }
    void SetCursor(int Value);
    // With ParentShowHint the hint shows as the bar says; setting ShowHint ends that.
    bool ShowHint() const;
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool Value);
    // A font of its own ends ParentFont; ParentFont takes the bar's font again.
    void SetFont(const QFont& Value);
    bool ParentFont() const { return !testAttribute(Qt::WA_SetFont); }
    void SetParentFont(bool Value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void PaintGlyph(QPainter& Canvas, const QRect& ARect, TKxButtonState AState,
                    bool DrawMark) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void EndDrag();
    void ApplyCursor();
    QPoint ImageTopLeft(QPoint Pos) const;
    TSpeedItem* item_;
    int cursor_ = 0;
    bool showHint_ = true;
    bool parentShowHint_ = true;
    TBtnControl* drag_ = nullptr;
    TDragCancel* dragCancel_ = nullptr;
    bool dragHidden_ = false;
    QPoint dragOffset_;
};

class TSpeedbarSection : public QObject {
    Q_OBJECT
public:
    explicit TSpeedbarSection(QObject* AOwner);
    ~TSpeedbarSection() override;

    TSpeedItem* Get(int Index) const { return items_.at(Index); }
    void Put(int Index, TSpeedItem* Item) { items_[Index] = Item; }
    int GetCount() const { return int(items_.size()); }
    int GetIndex() const;
    void SetIndex(int Value);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& Value);
    TSpeedBar* SpeedBar() const { return bar_; }
    void SetSpeedbar(TSpeedBar* Value);
    void RemoveItem(TSpeedItem* Item);
    // Destroys every item of the section once.
    void Clear();
    const QList<TSpeedItem*>& List() const { return items_; }

private:
    friend class TSpeedBar;
    QList<TSpeedItem*> items_;
    QString caption_;
    TSpeedBar* bar_ = nullptr;
};

class TSpeedItem : public QObject {
    Q_OBJECT
public:
    explicit TSpeedItem(QObject* AOwner);
    ~TSpeedItem() override;

    TSpeedbarButton* Button() const { return button_; }
    TSpeedBar* SpeedBar() const { return bar_; }

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& Value);
    // Renaming keeps the caption in step when it showed the old name.
    void SetName(const QString& Value);
    QString Hint() const { return hint_; }
    void SetHint(const QString& Value);
    QString BtnCaption() const { return button_->Caption(); }
    void SetBtnCaption(const QString& Value) { button_->SetCaption(Value); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    bool Editing() const { return editing_; }
    void SetEditing(bool Value);
    bool Stored() const { return stored_; }
    void SetStored(bool Value) { stored_ = Value; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int Value);
    // Item and button carry the same tag.
    int Tag() const { return tag_; }
    void SetTag(int Value);
    int Left() const;
    void SetLeft(int Value);
    int Top() const;
    void SetTop(int Value);

    // Kept in the button.
    const platform::TBitmap& Glyph() const { return button_->Glyph(); }
    void SetGlyph(const platform::TBitmap& Value) { button_->SetGlyph(Value); }
    int NumGlyphs() const { return button_->NumGlyphs(); }
    void SetNumGlyphs(int Value) { button_->SetNumGlyphs(Value); }
    TButtonLayout Layout() const { return button_->Layout(); }
    void SetLayout(TButtonLayout Value) { button_->SetLayout(Value); }
    int Margin() const { return button_->Margin(); }
    void SetMargin(int Value) { button_->SetMargin(Value); }
    int Spacing() const { return button_->Spacing(); }
    void SetSpacing(int Value) { button_->SetSpacing(Value); }
    bool WordWrap() const { return button_->WordWrap(); }
    void SetWordWrap(bool Value) { button_->SetWordWrap(Value); }
    QAction* Action() const { return button_->Action(); }
    void SetAction(QAction* Value) { button_->SetAction(Value); }
    bool AllowAllUp() const { return button_->AllowAllUp(); }
    void SetAllowAllUp(bool Value) { button_->SetAllowAllUp(Value); }
    bool AllowTimer() const { return button_->AllowTimer(); }
    void SetAllowTimer(bool Value) { button_->SetAllowTimer(Value); }
    int GroupIndex() const { return button_->GroupIndex(); }
    void SetGroupIndex(int Value) { button_->SetGroupIndex(Value); }
    bool Down() const { return button_->Down(); }
    void SetDown(bool Value) { button_->SetDown(Value); }
    platform::TPopupMenu* DropDownMenu() const { return button_->DropDownMenu(); }
    void SetDropDownMenu(platform::TPopupMenu* Value) { button_->SetDropDownMenu(Value); }
    bool MarkDropDown() const { return button_->MarkDropDown(); }
    void SetMarkDropDown(bool Value) { button_->SetMarkDropDown(Value); }
    QFont Font() const { return button_->font(); }
    void SetFont(const QFont& Value) { button_->SetFont(Value); }
    bool ParentFont() const { return button_->ParentFont(); }
    void SetParentFont(bool Value) { button_->SetParentFont(Value); }
    int Cursor() const { return button_->Cursor(); }
    void SetCursor(int Value) { button_->SetCursor(Value); }
    bool ShowHint() const { return button_->ShowHint(); }
    void SetShowHint(bool Value) { button_->SetShowHint(Value); }
    bool ParentShowHint() const { return button_->ParentShowHint(); }
    void SetParentShowHint(bool Value) { button_->SetParentShowHint(Value); }

    // The section index; -1 while the item is in no bar.
    int GetSection() const;
    void SetSection(int Value);
    QString GetSectionName() const;
    void UpdateSection();
    void InvalidateItem() { section_ = -1; }
    void ButtonClick() { button_->ButtonClick(); }
    bool CheckBtnMenuDropDown() { return button_->CheckBtnMenuDropDown(); }
    virtual void Click() { button_->Click(); }

    // Kept in the button.
    TNotifyEvent& OnClick() { return button_->OnClick; }
    TNotifyEvent& OnDblClick() { return button_->OnDblClick; }
    TMouseEvent& OnMouseDown() { return button_->OnMouseDown; }
    TMouseMoveEvent& OnMouseMove() { return button_->OnMouseMove; }
    TMouseEvent& OnMouseUp() { return button_->OnMouseUp; }
    TNotifyEvent& OnMouseEnter() { return button_->OnMouseEnter; }
    TNotifyEvent& OnMouseLeave() { return button_->OnMouseLeave; }

private:
    friend class TSpeedBar;
    friend class TSpeedbarSection;
    void ApplyHint(const QString& OldCaption, const QString& Value);

    QString caption_;
    QString hint_;
    bool editing_ = false;
    bool enabled_ = true;
    TSpeedbarButton* button_;
    bool visible_ = false;
    bool stored_ = true;
    TSpeedBar* bar_ = nullptr;
    int section_ = -1;
    int imageIndex_ = -1;
    int tag_ = 0;
};

class TSpeedBar : public platform::TCustomPanel,
                  public platform::TControlEvents,
                  public platform::TDragControl {
    Q_OBJECT
public:
    explicit TSpeedBar(QWidget* AOwner = nullptr);
    ~TSpeedBar() override;

    // The stand-in for reading the bar from a form resource.
    void BeginLoading();
    void EndLoading();
    bool Loading() const { return loading_; }

    // ---- sections and items
    int AddSection(const QString& ACaption);
    virtual int AppendSection(TSpeedbarSection* Section);
    void RemoveSection(int Index);
    void DeleteSection(int Index);
    void ClearSections();
    int SearchSection(const QString& ACaption) const;
    TSpeedbarSection* GetSection(int Index) const;
    int GetSectionCount() const { return int(sections_.size()); }
    TSpeedItem* Items(int Section, int Index) const;
    int ItemsCount(int Section) const;
    TSpeedItem* NewItem(QObject* AOwner, int Section, const QString& AName);
    void AddItem(int Section, TSpeedItem* Item);
    void RemoveItem(TSpeedItem* Item);
    bool FindItem(TSpeedItem* Item, int& Section, int& Index) const;
    TSpeedItem* SearchItem(const QString& ItemName) const;
    virtual void ForEachItem(const TForEachItem& Proc, int Data);

    // ---- geometry
    int BtnWidth() const { return btnSize_.x(); }
    void SetBtnWidth(int Value) { SetButtonSize(0, Value); }
    int BtnHeight() const { return btnSize_.y(); }
    void SetBtnHeight(int Value) { SetButtonSize(1, Value); }
    int BtnOffsetHorz() const { return offset_.x(); }
    void SetBtnOffsetHorz(int Value) { SetButtonsOffset(0, Value); }
    int BtnOffsetVert() const { return offset_.y(); }
    void SetBtnOffsetVert(int Value) { SetButtonsOffset(1, Value); }
    int GetButtonSize(int Index) const;
    void SetButtonSize(int Index, int Value);
    int GetButtonsOffset(int Index) const;
    void SetButtonsOffset(int Index, int Value);
    int MinButtonsOffset() const;
    QPoint GridSize() const { return grid_; }
    void UpdateGridSize();
    void AlignItemsToGrid();
    void AlignItemToGrid(TSpeedItem* Item);
    void ApplyButtonSize();
    TButtonStyle BtnStyle() const { return btnStyle_; }

    // The hint setting of the buttons that follow their bar's.
    bool ShowHint = true;
    TBarPosition Position = bpAuto;
    TBarOrientation GetOrientation() const;
    void SetOrientation(TBarOrientation Value);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign Value);
    TSpeedbarOptions Options() const { return options_; }
    void SetOptions(TSpeedbarOptions Value);
    TBoundLines BoundLines() const { return boundLines_; }
    void SetBoundLines(TBoundLines Value);
    const QPixmap& Wallpaper() const { return wallpaper_; }
    void SetWallpaper(const QPixmap& Value);
    // Not owned: the bar hears of its changes and of its end through a change link.
    platform::TImageList* Images() const { return imagesLink_.Sender(); }
    void SetImages(platform::TImageList* Value);
    int Version = 0;
    void SetFontDefault();
    // Scales offsets and button size by M / D (nothing when D is 0).
    void ChangeScale(int M, int D);

    // ---- editing
    void SetEditing(QWidget* Window);
    bool GetEditing() const { return editWin_ != nullptr; }
    QWidget* EditWindow() const { return editWin_; }
    void Customize(int HelpCtx);
    virtual void PosChanged();
    virtual void AfterCustomize();
    bool AcceptDropItem(TSpeedItem* Item, int X, int Y);
    bool CheckResize(Qt::KeyboardModifiers Shift, int X, int Y);
    int GetFramePos(int X, int Y, bool& Apply);
    QRect GetFrameRect(int X, int Y);
    void StartDragFrame();
    void DragFrame(int X, int Y);
    void StopDragFrame(int X, int Y);
    // Ends a frame drag or a resize without moving anything.
    void CancelDrag();
    bool FrameDragging() const { return dragging_; }
    const QRect& DragFrameRect() const { return frameRect_; }
    // Sends the change message to the edit window when there is one.
    void NotifyEditWindow(TSpeedbarChange WParam, QObject* LParam);

    // ---- stored layout
    TFormPlacement* IniStorage() const { return iniLink_.Storage(); }
    void SetIniStorage(TFormPlacement* Value) { iniLink_.SetStorage(Value); }
    void SaveLayout(TIniFile* IniFile);
    void RestoreLayout(TIniFile* IniFile);
    void SaveLayoutReg(TRegIniFile* IniFile);
    void RestoreLayoutReg(TRegIniFile* IniFile);
    void InternalSaveLayout(TIniObject IniFile, const QString& Section);
    void InternalRestoreLayout(TIniObject IniFile, const QString& Section);

    std::function<void(TSpeedItem* Item)> OnAddItem;
    TApplyAlignEvent OnApplyAlign;
    TNotifyEvent OnPosChanged;
    TNotifyEvent OnVisibleChanged;
    TNotifyEvent OnCustomize;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    using TControlEvents::OnContextPopup;
    using TControlEvents::OnEnter;
    using TControlEvents::OnExit;
    using TControlEvents::OnMouseDown;
    using TControlEvents::OnMouseMove;
    using TControlEvents::OnMouseUp;
    using TControlEvents::OnResize;
    using TControlEvents::PopupMenu;
    using TControlEvents::SetPopupMenu;

    // The texts of the bar's errors.
    static const char* const DuplicateSectionText;
    static const char* const AutoPositionText;

protected:
    void Paint(QPainter& painter) override;
    void FrameChanged() override;
    void AlignControls();
    virtual void Loaded();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class TSpeedItem;
    friend class TSpeedbarSection;
    void SetItemParams(TSpeedItem* Item, bool ApplySize);
    void SetItemButtonSize(TSpeedItem* Item);
    void ApplyOrientation(TBarOrientation Value);
    void OffsetItems(int DX, int DY);
    void RenumberItems();
    void CheckSectionCaption(TSpeedbarSection* Section, const QString& Caption) const;
    void IniSave(TIniLink* Sender);
    void IniLoad(TIniLink* Sender);
    QPoint GridPosition(int X, int Y) const;
    void VisibleChanged();
    void EnabledChanged();
    void ReleaseDragMouse();
    // Moves without a button reach the bar while it shows the sizing cursor on its edge, and
    // for OnMouseMove.
    void UpdateMouseTracking();
    // Every item that shows an image of the list drops its glyph and is drawn again.
    void ImageListChange();

    QList<TSpeedbarSection*> sections_;
    TBarOrientation orientation_ = boHorizontal;
    TAlign align_ = alTop;
    QPoint btnSize_{24, 23};
    TButtonStyle btnStyle_ = bsNew;
    QPoint grid_{1, 1};
    QPoint offset_;
    QPointer<QWidget> editWin_;
    QRect frameRect_;
    TAlign prevAlign_ = alTop;
    bool dragging_ = false;
    bool resizing_ = false;
    bool captured_ = false;
    TDragCancel* dragCancel_ = nullptr;
    QSize sizeBeforeResize_;
    QPoint downPos_;
    TSpeedbarOptions options_ = sbAllowDrag | sbGrayedBtns;
    bool swapping_ = false;
    bool loading_ = false;
    bool destroying_ = false;
    TSbScaleFlags scaleFlags_;
    QPixmap wallpaper_;
    TBoundLines boundLines_;
    TIniLink iniLink_;
    platform::TChangeLink imagesLink_;
};

int NewSpeedSection(TSpeedBar* ASpeedbar, const QString& ACaption);
TSpeedItem* NewSpeedItem(QObject* AOwner, TSpeedBar* ASpeedbar, int Section, const QString& AName);
// The speed bar under a screen point, or none.
TSpeedBar* FindSpeedBar(const QPoint& Pos);
// A list cell of the customising dialog: the item's button image, then its caption.
void DrawCellButton(QPainter& Canvas, QRect ARect, TSpeedItem* Item, TButtonImage& Image,
                    bool ARightToLeft);
