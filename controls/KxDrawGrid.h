#pragma once
// The draw grid with an in-place editor that can carry an ellipsis button or a drop-down pick
// list per cell, fixed cells that act as push buttons, cell drawing routines, and its column
// widths kept through a settings store's link.

#include "controls/Grids.h"
#include "controls/KXCtrlsGlyphs.h"
#include "storage/Placemnt.h"

#include <QListWidget>
#include <cstdint>

class TKxDrawGrid;

enum TEditStyle { esSimple, esEllipsis, esPickList };

// The pick list: a top-level tool window shown without activation, so the editor keeps the
// keyboard. Typed characters search the items from their start, ignoring case.
class TPopupListbox : public QListWidget {
    Q_OBJECT
public:
    explicit TPopupListbox(QWidget* editor);

    // Milliseconds of a monotonic clock; tests set their own.
    std::function<std::int64_t()> Clock;
    const QString& SearchText() const { return searchText_; }
    int ItemHeight() const;

    void keyboardSearch(const QString&) override {}
    void keyPressEvent(QKeyEvent* event) override;

    std::function<void(bool Accept)> OnCloseUp;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString searchText_;
    std::int64_t searchTime_ = 0;
};

class TKxInplaceEdit : public TInplaceEdit {
    Q_OBJECT
public:
    explicit TKxInplaceEdit(TKxDrawGrid* grid);
    ~TKxInplaceEdit() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    int ButtonWidth() const { return buttonWidth_; }
    TEditStyle EditStyle() const { return editStyle_; }
    void SetEditStyle(TEditStyle value);
    TPopupListbox* PickList();
    TPopupListbox* ActiveList() const { return activeList_; }
    bool ListVisible() const { return listVisible_; }
    bool Pressed() const { return pressed_; }

    void DropDown();
    void CloseUp(bool Accept);
    void UpdateContents() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TKxDrawGrid* KxGrid() const;
    QRect ButtonRect() const;
    bool HasButton() const { return editStyle_ != esSimple; }
    void UpdateMargins();
    void StopTracking();

    TAlignment alignment_ = taLeftJustify;
    int buttonWidth_;
    TEditStyle editStyle_ = esSimple;
    TPopupListbox* pickList_ = nullptr;
    TPopupListbox* activeList_ = nullptr;
    bool listVisible_ = false;
    bool tracking_ = false;
    bool pressed_ = false;
    bool updating_ = false;
};

class TKxDrawGrid : public TDrawGrid {
    Q_OBJECT
public:
    explicit TKxDrawGrid(QWidget* parent = nullptr);
    ~TKxDrawGrid() override;

    TFormPlacement* IniStorage() const { return iniLink_.Storage(); }
    void SetIniStorage(TFormPlacement* Value) { iniLink_.SetStorage(Value); }
    bool FixedButtons() const { return fixedButtons_; }
    void SetFixedButtons(bool value);

    void DrawPicture(const QRect& Rect, const QPixmap& Graphic);
    // The bitmap centred, its transparent colour (its bottom-left pixel) left out.
    void DrawMasked(const QRect& Rect, const QImage& Bitmap);
    void DrawStr(const QRect& Rect, const QString& S, TAlignment Align);
    void DrawMultiline(const QRect& Rect, const QString& S, TAlignment Align);
    using TCustomGrid::InvalidateCell;
    using TCustomGrid::InvalidateCol;
    using TCustomGrid::InvalidateRow;
    // The window's focus widget is the grid (or, without a window, the focus is in the grid).
    bool IsActiveControl() const;
    void IniSave(TIniLink* Sender = nullptr);
    void IniLoad(TIniLink* Sender = nullptr);

    // The pressed fixed cell while a press is tracked, else -1, -1.
    QPoint PressedCell() const { return {pressedCol_, pressedRow_}; }
    bool FixedCellPressed() const { return tracking_ && pressed_; }

    std::function<bool(QObject* Sender, QChar& Key)> OnAcceptEditKey;
    TNotifyEvent OnCancelEdit;
    std::function<void(QObject* Sender, int ACol, int ARow, bool& Enabled)> OnCheckButton;
    TNotifyEvent OnChangeFocus;
    std::function<void(QObject* Sender, int ACol, int ARow)> OnFixedCellClick;
    TNotifyEvent OnColumnSized;
    TNotifyEvent OnRowSized;
    std::function<void(QObject* Sender, int& MaxLength)> OnGetEditLimit;
    TNotifyEvent OnEditChange;
    std::function<void(QObject* Sender, int ACol, int ARow, bool& AllowEdit)> OnShowEditor;
    std::function<void(QObject* Sender, int ACol, int ARow, TAlignment& Alignment)> OnGetEditAlign;
    std::function<void(QObject* Sender, int ACol, int ARow, TEditStyle& Style)> OnGetEditStyle;
    std::function<void(QObject* Sender, int ACol, int ARow, QStringList& PickList)> OnGetPicklist;
    TNotifyEvent OnEditButtonClick;

    virtual TAlignment GetEditAlignment(int ACol, int ARow);
    virtual TEditStyle GetEditStyle(int ACol, int ARow);
    virtual void GetPicklist(int ACol, int ARow, QStringList& PickList);
    virtual void EditButtonClick();
    virtual void EditChanged();

protected:
    bool CanEditAcceptKey(QChar Key) override;
    bool CanEditShow() override;
    int GetEditLimit() override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    TInplaceEdit* CreateEditor() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void TopLeftChanged() override;
    void FocusChanged() override;
    void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) override;
    void DrawCellFrame(QPainter& painter, int ACol, int ARow, const QRect& ARect,
                       TGridDrawState AState) override;
    virtual bool CheckFixedCellButton(int ACol, int ARow);
    virtual void DoFixedCellClick(int ACol, int ARow);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TKxInplaceEdit;
    bool IsPressedButton(int ACol, int ARow) const;
    void StopTracking();
    void TrackButton(QPoint point);

    TIniLink iniLink_;
    bool fixedButtons_ = false;
    int pressedCol_ = -1;
    int pressedRow_ = -1;
    bool tracking_ = false;
    bool pressed_ = false;
    bool cancelling_ = false;
};
