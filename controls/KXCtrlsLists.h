#pragma once
// The library's list boxes: a scroll area that owns and paints its items, with a horizontal
// extent as wide as the widest item, grayed selection, columns, and a check list box whose
// states can be kept in the settings store.

#include "platform/Colors.h"
#include "platform/ControlDrag.h"
#include "platform/ControlEvents.h"
#include "platform/Ctl3D.h"
#include "platform/Registry.h"
#include "storage/Placemnt.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

enum TListBoxStyle {
    lbStandard,
    lbOwnerDrawFixed,
    lbOwnerDrawVariable,
    lbVirtual,
    lbVirtualOwnerDraw
};
enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };
enum TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TOwnerDrawStateFlag { odSelected = 0x1, odFocused = 0x10 };
Q_DECLARE_FLAGS(TOwnerDrawState, TOwnerDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOwnerDrawState)

class TKxCustomListBox;
class QPainter;

// The width of an item drawn by its owner, for the horizontal extent.
using TGetItemWidthEvent = std::function<void(TKxCustomListBox* Control, int Index, int& Width)>;
using TChangeStateEvent = std::function<void(QObject* Sender, int Index)>;

// The check state of one item of a check list box, and the user's data it carries.
class TCheckListBoxItem {
public:
    QVariant Data;
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
};

// The items of a list box, held by the list box itself.
class TKxListBoxStrings {
public:
    explicit TKxListBoxStrings(TKxCustomListBox* listBox) : listBox_(listBox) {}

    int Count() const;
    QString Strings(int Index) const;
    void SetStrings(int Index, const QString& S);
    QVariant Objects(int Index) const;
    void SetObjects(int Index, const QVariant& Object);
    int Add(const QString& S);
    void Insert(int Index, const QString& S);
    void Delete(int Index);
    void Clear();
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    int IndexOf(const QString& S) const;
    void Assign(const QStringList& Strings);
    // The other list's texts and data; from a check list box to another, also their states and
    // enabled flags.
    void Assign(const TKxListBoxStrings& Source);
    QStringList ToStringList() const;
    // No repaint while updating; one after the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();

private:
    TKxCustomListBox* listBox_;
    int updateCount_ = 0;
};

// Thrown for an index the list rejects: "List index out of bounds (%d)".
class EStringListError : public std::out_of_range {
public:
    explicit EStringListError(int index);
};

class TKxCustomListBox : public QAbstractScrollArea,
                         public platform::TCtl3D,
                         public platform::TControlEvents,
                         public platform::TDragControl {
    Q_OBJECT
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(bool ParentCtl3D READ ParentCtl3D WRITE SetParentCtl3D)
public:
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit TKxCustomListBox(QWidget* parent = nullptr);
    ~TKxCustomListBox() override;

    TKxListBoxStrings* Items() { return &items_; }
    int Count() const { return int(entries_.size()); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int Value);
    int TopIndex() const { return topIndex_; }
    void SetTopIndex(int Value);
    int SelCount() const;
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    // -1 outside the client area; past the last item -1 when Existing, else the count.
    int ItemAtPos(QPoint Pos, bool Existing) const;
    // The count's rectangle lies below the last item; beyond it the rectangle is empty.
    QRect ItemRect(int Index) const;
    void Clear();

    // The single border is the sunken edge when three-dimensional, else a line.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);

    int Columns() const { return columns_; }
    void SetColumns(int Value);
    // (width + Columns - 3) div Columns, with columns only.
    int ColumnWidth() const;
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int Value);
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle Value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool Value);
    bool ExtendedSelect() const { return extendedSelect_; }
    void SetExtendedSelect(bool Value) { extendedSelect_ = Value; }
    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int Value);
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool Value);
    bool GraySelection() const { return graySelection_; }
    void SetGraySelection(bool Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    // The horizontal scroll range: the widest item, or 0 when not kept.
    int HorizontalExtent() const { return tracksExtent() ? widest_ : 0; }
    // The box's height cut to whole items.
    bool IntegralHeight() const { return integralHeight_; }
    void SetIntegralHeight(bool Value);

    std::function<void(TKxCustomListBox* Control, int Index, const QRect& Rect,
                       TOwnerDrawState State)>
        OnDrawItem;
    std::function<void(TKxCustomListBox* Control, int Index, int& Height)> OnMeasureItem;
    TGetItemWidthEvent OnGetItemWidth;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    using TControlEvents::OnContextPopup;
    using TControlEvents::OnEnter;
    using TControlEvents::OnExit;
    using TControlEvents::OnKeyDown;
    using TControlEvents::OnKeyPress;
    using TControlEvents::OnKeyUp;
    using TControlEvents::OnMouseWheelDown;
    using TControlEvents::OnMouseWheelUp;
    // Assigning or clearing the drawing events recomputes the extent.
    void SetOnDrawItem(decltype(OnDrawItem) Value);
    void SetOnGetItemWidth(decltype(OnGetItemWidth) Value);

    // The painter of the item being drawn, only inside the drawing.
    QPainter* Canvas() const { return canvas_; }

protected:
    friend class TKxListBoxStrings;

    struct Entry {
        QString text;
        QVariant data;
        std::unique_ptr<TCheckListBoxItem> check;
        bool selected = false;
        int width = -1;
        // Measured with a variable-height style.
        int height = 0;
    };

    virtual int GetItemHeight() const { return itemHeight_; }
    virtual int GetItemWidth(int Index);
    virtual void DrawItem(int Index, QRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    virtual QVariant GetItemData(int Index) const;
    virtual void SetItemData(int Index, const QVariant& Data);
    virtual void ResetContent();
    virtual void DeleteString(int Index);
    virtual bool tracksExtent() const { return autoScroll_ && columns_ == 0; }
    // An item came in at Index (after Add or Insert).
    virtual void ItemAdded(int Index);
    // Item Index was assigned from the source's item SourceIndex, its text and data copied.
    virtual void ItemAssigned(int /*Index*/, const TKxCustomListBox& /*Source*/,
                              int /*SourceIndex*/) {}
    // Sends a left press and release at the cursor, so that the selection is consistent.
    void DragCanceled() override;
    // The selected item's image under the pointer.
    void PrepareDrag(QDrag* Drag) override;

    int InsertString(int Index, const QString& S);
    void CheckIndex(int Index) const;
    Entry& EntryAt(int Index) { return entries_.at(size_t(Index)); }
    const Entry& EntryAt(int Index) const { return entries_.at(size_t(Index)); }
    std::vector<Entry>& Entries() { return entries_; }
    // Every item measured again, the view scrolled back to the left edge.
    void ResetExtent();
    // The widest of the items' known widths, the view scrolled back to the left edge.
    void RecomputeWidest();
    void Changed();
    void Select(int Index, Qt::KeyboardModifiers Modifiers);
    int RowsPerColumn() const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void Ctl3DChanged() override { UpdateBorder(); }

private:
    void UpdateBorder();
    void UpdateScrollBars();
    void MakeVisible(int Index);
    bool VariableHeights() const { return style_ == lbOwnerDrawVariable && columns_ == 0; }
    int HeightOf(int Index) const;
    // The item's top in the viewport, counted from the top index.
    int ItemTop(int Index) const;
    void MeasureEntry(int Index);
    void MeasureAll();
    // Whole items shown from First down; at least one.
    int VisibleFrom(int First) const;
    int MaxTopIndex() const;
    void AdjustIntegralHeight();
    // The left press's selection, and the drag it may begin.
    void PressItem(const QMouseEvent& event);

    TKxListBoxStrings items_{this};
    std::vector<Entry> entries_;
    TBorderStyle borderStyle_ = bsSingle;
    int columns_ = 0;
    int itemHeight_ = 16;
    TListBoxStyle style_ = lbStandard;
    bool multiSelect_ = false;
    bool sorted_ = false;
    bool extendedSelect_ = true;
    int tabWidth_ = 0;
    bool autoScroll_ = false;
    bool graySelection_ = false;
    TColor color_ = platform::clWindow;
    int widest_ = 0;
    int itemIndex_ = -1;
    int topIndex_ = 0;
    int anchor_ = -1;
    bool syncing_ = false;
    QPainter* canvas_ = nullptr;
    bool integralHeight_ = false;
    bool adjustingHeight_ = false;
    bool resendingClick_ = false;
    // The press that began the drag already made its selection; else the re-sent click does.
    bool clickApplied_ = false;
    Qt::KeyboardModifiers clickModifiers_;

    friend class TKxCheckListBox;
    friend class TTextListBox;
};

// The platform's list box keeping a horizontal scroll range as wide as its widest line.
class TTextListBox : public TKxCustomListBox {
    Q_OBJECT
public:
    using TControlEvents::OnMouseDown;
    using TControlEvents::OnMouseMove;
    using TControlEvents::OnMouseUp;
    using TKxCustomListBox::TKxCustomListBox;

protected:
    bool tracksExtent() const override { return true; }
};

class TKxCheckListBox : public TKxCustomListBox {
    Q_OBJECT
public:
    explicit TKxCheckListBox(QWidget* parent = nullptr);
    ~TKxCheckListBox() override;

    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool Value);
    TCheckKind CheckKind() const { return checkKind_; }
    void SetCheckKind(TCheckKind Value);
    int CheckedIndex() const;
    void SetCheckedIndex(int Value);
    bool Checked(int Index) const { return State(Index) == cbChecked; }
    void SetChecked(int Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State(int Index) const;
    void SetState(int Index, TCheckBoxState Value);
    bool ItemEnabled(int Index) const;
    void SetItemEnabled(int Index, bool Value);
    // Every item (or every enabled one) to the state; check boxes and check marks only.
    void ApplyState(TCheckBoxState AState, bool EnabledOnly);
    int CheckWidth() const;
    int CheckHeight() const;

    TFormPlacement* IniStorage() const { return iniLink_.Storage(); }
    void SetIniStorage(TFormPlacement* Value) { iniLink_.SetStorage(Value); }
    // imDisable keeps the input methods away from the control; in every other mode the
    // desktop's input method decides.
    TImeMode ImeMode() const { return imeMode_; }
    void SetImeMode(TImeMode Value);
    // Input methods are chosen by the desktop: the name is only kept.
    QString ImeName;
    // The states in the control's default section of the INI file or registry.
    void SaveStates(TIniFile* IniFile);
    void RestoreStates(TIniFile* IniFile);
    void SaveStatesReg(TRegIniFile* IniFile);
    void RestoreStatesReg(TRegIniFile* IniFile);

    TNotifyEvent OnClickCheck;
    TChangeStateEvent OnStateChange;

    // The shared picture: 6 x 3 cells, rows check boxes, radio buttons, check marks; columns
    // unchecked, checked, grayed, then the same disabled.
    static const QImage& CheckImages();

protected:
    int GetItemWidth(int Index) override;
    void DrawItem(int Index, QRect Rect, TOwnerDrawState State) override;
    QVariant GetItemData(int Index) const override;
    void SetItemData(int Index, const QVariant& Data) override;
    void ItemAssigned(int Index, const TKxCustomListBox& Source, int SourceIndex) override;
    virtual void ClickCheck();
    virtual void ChangeItemState(int Index);

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TCheckListBoxItem* CheckObject(int Index);
    const TCheckListBoxItem* CheckObjectOf(int Index) const;
    void ToggleClickCheck(int Index);
    void UpdateCheckStates();
    void ResetItemHeight();
    void InternalSaveStates(TIniObject Ini, const QString& Section);
    void InternalRestoreStates(TIniObject Ini, const QString& Section);
    QString LinkSection() const;

    bool allowGrayed_ = false;
    TCheckKind checkKind_ = ckCheckBoxes;
    TImeMode imeMode_ = imDontCare;
    bool updating_ = false;
    TIniLink iniLink_;
};
