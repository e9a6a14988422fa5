#pragma once
// Dragging one control onto another within this program: the drag's data names the process and
// the source control, so nothing another program offers is taken. A control derives from
// TDragControl; coordinates are in its client area (the drop site).

#include "platform/Classes.h"

#include <QCursor>
#include <QPoint>
#include <functional>

class QDrag;
class QMouseEvent;
class QWidget;

enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// Accept starts true; without the event nothing is dropped on the control.
using TDragOverEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y)>;
// Target is null when the drag was cancelled; X and Y are in the target's client area.
using TEndDragEvent = std::function<void(QObject* Sender, QObject* Target, int X, int Y)>;

namespace platform {

class TDragControl {
public:
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode Value) { dragMode_ = Value; }
    // Shown while dragging over a target that takes the drop.
    QCursor DragCursor{Qt::DragMoveCursor};
    bool Dragging() const { return dragging_; }
    // Immediate runs the drag now; otherwise once the pressed mouse has moved a few pixels.
    void BeginDrag(bool Immediate);

    TNotifyEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

protected:
    TDragControl(QWidget* Control, QWidget* Site);
    virtual ~TDragControl();
    TDragControl(const TDragControl&) = delete;
    TDragControl& operator=(const TDragControl&) = delete;

    // Runs the platform's drag; the action the target took, or IgnoreAction.
    virtual Qt::DropAction ExecDrag(QDrag* Drag);
    // After a drag that nobody took.
    virtual void DragCanceled() {}
    // The drag's picture; none by default.
    virtual void PrepareDrag(QDrag* /*Drag*/) {}

    // In automatic mode a left press starts the drag at once and the control sees no press;
    // true when it did.
    bool AutoDragPress(QMouseEvent& Event);
    // A drag's share of the control's moves and releases: true when they were its. A drag's
    // events may destroy the control; true then too, and the mouse event ends there.
    bool DragMouseMove(QMouseEvent& Event);
    bool DragMouseRelease(QMouseEvent& Event);
    // Where the drag began, or where a cancelled one ended.
    QPoint DragPoint() const { return dragPoint_; }
    void SetDragPoint(QPoint Value) { dragPoint_ = Value; }

private:
    class TSite;
    void RunDrag();
    void FinishDrag(QObject* Target, QPoint Point);
    // Only while one of the program's drags runs do the controls with OnDragOver take drops, so
    // that another program's drop reaches the window under them.
    static void AcceptDrops(bool On);

    QWidget* control_;
    QWidget* site_;
    TSite* siteFilter_;
    TDragMode dragMode_ = dmManual;
    bool dragging_ = false;
    bool dragPending_ = false;
    // The button of a press that began a drag is still down.
    bool autoPressed_ = false;
    QPoint dragPoint_;
};

} // namespace platform
