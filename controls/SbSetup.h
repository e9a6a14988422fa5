#pragma once
// The non-modal dialog in which the user customises one speed bar: its categories on the left,
// the buttons of the chosen one on the right. Hidden buttons are dragged from the list onto the
// bar; while the dialog is open the bar is being edited, so its buttons can be dragged to new
// places or off it.

#include "controls/Grids.h"
#include "controls/KXCtrlsGlyphs.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class TBtnControl;
class TDragCancel;
class TSpeedBar;
class TSpeedItem;

class TSpeedbarSetupWindow : public QDialog {
    Q_OBJECT
public:
    explicit TSpeedbarSetupWindow(QWidget* AOwner);
    ~TSpeedbarSetupWindow() override;

    QFrame* Bevel1;
    QLabel* CategoriesLabel;
    QLabel* ButtonsLabel;
    QLabel* HintLabel;
    TDrawGrid* SectionList;
    TDrawGrid* ButtonsList;
    QPushButton* CloseBtn;
    QPushButton* HelpBtn;

    // The help button opens the program's help here.
    int HelpContext = 0;

    TSpeedBar* SpeedBar() const { return bar_; }
    void SetSpeedBar(TSpeedBar* Value);
    bool CheckSpeedBar() const;
    int CurrentSection() const;
    TSpeedItem* ItemByRow(int Row) const;
    void SetSection(int Section);
    void UpdateCurrentSection();
    void UpdateData(int Row);
    void UpdateHint(int Section, int Row);
    void UpdateListHeight();
    const QString& Hint() const { return hint_; }

    bool Dragging() const { return dragging_; }
    TSpeedItem* DragItem() const { return dragItem_; }
    TBtnControl* DragImage() const { return drag_; }
    // Ends a drag from the list without dropping anything.
    void CancelDrag();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The form's own handlers.
    void FormCreate();
    void FormShow();
    void FormClose();
    void CloseBtnClick();
    void HelpBtnClick();
    void connectHandlers();
    void SectionListDrawCell(int ARow, const QRect& Rect);
    void ButtonsListDrawCell(int ARow, const QRect& Rect);
    void ButtonsListMouseDown(QPoint Pos);
    void ButtonsListMouseMove(QPoint Pos, Qt::MouseButtons Buttons);
    void ButtonsListMouseUp(QPoint Pos);
    void FitColumns();
    void EndDrag();

    TButtonImage image_;
    TBtnControl* drag_ = nullptr;
    TDragCancel* dragCancel_ = nullptr;
    QPointer<TSpeedBar> bar_;
    bool dragging_ = false;
    QPointer<TSpeedItem> dragItem_;
    QMetaObject::Connection dragItemGone_;
    QString hint_;
};

// Opens, or brings forward, the one dialog of the bar.
void ShowSpeedbarSetupWindow(TSpeedBar* Speedbar, int HelpCtx);
