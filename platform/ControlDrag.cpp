#include "platform/ControlDrag.h"

#include "platform/ControlEvents.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

namespace {

const QString dragFormat = QStringLiteral("application/x-quendel-control-drag");

QByteArray ProcessTag() {
    return QByteArray::number(QCoreApplication::applicationPid());
}

// The data of a drag between the program's controls; only its own drags carry it.
class TDragData : public QMimeData {
public:
    QPointer<QObject> source;
    QPointer<QObject> target;
    QPoint dropPoint;
};

TDragData* OwnDrag(const QMimeData* data) {
    auto* own = dynamic_cast<const TDragData*>(data);
    if (!own || !own->source || own->data(dragFormat) != ProcessTag())
        return nullptr;
    return const_cast<TDragData*>(own);
}

// A cursor without a picture, worn for a drag's duration; Qt's drag takes only pictures. Over a
// target that takes the drop the platform's drag puts its move cursor on top after each answer
// of the target, so the shape takes that place again once the answer is done.
class TDragCursor : public QObject {
public:
    explicit TDragCursor(const QCursor& cursor) : cursor_(cursor) {
        QGuiApplication::setOverrideCursor(cursor);
        qApp->installEventFilter(this);
    }
    ~TDragCursor() override { QGuiApplication::restoreOverrideCursor(); }
    TDragCursor(const TDragCursor&) = delete;
    TDragCursor& operator=(const TDragCursor&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::DragMove && !wearPending_) {
            wearPending_ = true;
            QMetaObject::invokeMethod(
                this, [this] { Wear(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void Wear() {
        wearPending_ = false;
        const QCursor* shown = QGuiApplication::overrideCursor();
        if (shown && shown->shape() == Qt::DragMoveCursor)
            QGuiApplication::changeOverrideCursor(cursor_);
    }

    QCursor cursor_;
    bool wearPending_ = false;
};

std::vector<TDragControl*>& Controls() {
    static std::vector<TDragControl*> controls;
    return controls;
}

} // namespace

// The drop site's side: asks OnDragOver on entering, moving and leaving, and OnDragDrop.
class TDragControl::TSite : public QObject {
public:
    TSite(TDragControl& owner, QWidget* site) : QObject(site), owner_(owner) {
        site->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
            DragEnter(static_cast<QDragEnterEvent*>(event));
            return true;
        case QEvent::DragMove:
            DragMove(static_cast<QDragMoveEvent*>(event));
            return true;
        case QEvent::DragLeave:
            DragLeave();
            event->accept();
            return true;
        case QEvent::Drop:
            Drop(static_cast<QDropEvent*>(event));
            return true;
        default:
            return false;
        }
    }

private:
    void DragEnter(QDragEnterEvent* event) {
        // The move that follows at once asks whether the drop is welcome here.
        enterPending_ = OwnDrag(event->mimeData()) && owner_.OnDragOver;
        if (enterPending_)
            event->acceptProposedAction();
        else
            event->ignore();
    }

    // Asks OnDragOver whether the drop is welcome here.
    void DragMove(QDragMoveEvent* event) {
        const TDragState state = enterPending_ ? dsDragEnter : dsDragMove;
        enterPending_ = false;
        event->ignore();
        const TDragData* data = OwnDrag(event->mimeData());
        if (!data || !owner_.OnDragOver)
            return;
        bool accept = true;
        const QPoint point = event->position().toPoint();
        overSource_ = data->source;
        overPoint_ = point;
        const TDragOverEvent handler = owner_.OnDragOver;
        QWidget* control = owner_.control_;
        QObject* source = data->source;
        if (Survives(control, *event,
                     [&] { handler(control, source, point.x(), point.y(), state, accept); }) &&
            accept) {
            event->setDropAction(Qt::MoveAction);
            event->accept();
        }
    }

    void DragLeave() {
        enterPending_ = false;
        bool accept = false;
        const QPointer<QObject> source = overSource_;
        overSource_ = nullptr;
        if (source && owner_.OnDragOver) {
            const TDragOverEvent handler = owner_.OnDragOver;
            handler(owner_.control_, source, overPoint_.x(), overPoint_.y(), dsDragLeave, accept);
        }
    }

    void Drop(QDropEvent* event) {
        TDragData* data = OwnDrag(event->mimeData());
        if (!data || !owner_.OnDragDrop) {
            event->ignore();
            return;
        }
        const QPoint point = event->position().toPoint();
        data->target = owner_.control_;
        data->dropPoint = point;
        event->setDropAction(Qt::MoveAction);
        event->accept();
        const TDragDropEvent handler = owner_.OnDragDrop;
        handler(owner_.control_, data->source, point.x(), point.y());
    }

    TDragControl& owner_;
    bool enterPending_ = false;
    // The control dragged over this one and the last point it was asked about.
    QPointer<QObject> overSource_;
    QPoint overPoint_;
};

TDragControl::TDragControl(QWidget* Control, QWidget* Site)
    : control_(Control), site_(Site), siteFilter_(new TSite(*this, Site)) {
    Controls().push_back(this);
}

// The filter goes first: it calls into this object.
TDragControl::~TDragControl() {
    delete siteFilter_;
    std::erase(Controls(), this);
}

void TDragControl::AcceptDrops(bool On) {
    for (TDragControl* control : Controls())
        if (control->OnDragOver)
            control->site_->setAcceptDrops(On);
}

bool TDragControl::AutoDragPress(QMouseEvent& Event) {
    autoPressed_ = false;
    if (dragMode_ != dmAutomatic || Event.button() != Qt::LeftButton)
        return false;
    dragPoint_ = Event.position().toPoint();
    // The platform's drag loop usually takes the release; when it has not, it is the drag's.
    if (Survives(control_, Event, [this] { BeginDrag(true); }))
        autoPressed_ = QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    return true;
}

void TDragControl::BeginDrag(bool Immediate) {
    if (dragging_)
        return;
    dragging_ = true;
    if (OnStartDrag) {
        const TNotifyEvent handler = OnStartDrag;
        if (!Survives(control_, [&] { handler(control_); }))
            return;
    }
    if (Immediate)
        RunDrag();
    else
        dragPending_ = true;
}

bool TDragControl::DragMouseMove(QMouseEvent& Event) {
    autoPressed_ = autoPressed_ && Event.buttons().testFlag(Qt::LeftButton);
    if (!dragPending_)
        return autoPressed_;
    const QPoint point = Event.position().toPoint();
    if ((point - dragPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        dragPending_ = false;
        Survives(control_, Event, [this] { RunDrag(); });
    }
    return true;
}

bool TDragControl::DragMouseRelease(QMouseEvent& Event) {
    if (Event.button() != Qt::LeftButton)
        return false;
    if (std::exchange(autoPressed_, false))
        return true;
    if (!dragPending_)
        return false;
    dragPending_ = false;
    const QPoint point = Event.position().toPoint();
    Survives(control_, Event, [&] { FinishDrag(nullptr, point); });
    return true;
}

Qt::DropAction TDragControl::ExecDrag(QDrag* Drag) {
    return Drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void TDragControl::RunDrag() {
    auto* data = new TDragData;
    data->source = control_;
    data->setData(dragFormat, ProcessTag());
    QPointer<QDrag> drag = new QDrag(control_);
    drag->setMimeData(data);
    PrepareDrag(drag);
    std::optional<TDragCursor> shape;
    if (DragCursor.pixmap().isNull())
        shape.emplace(DragCursor);
    else
        drag->setDragCursor(DragCursor.pixmap(), Qt::MoveAction);
    const QPointer<QWidget> self(control_);
    AcceptDrops(true);
    const Qt::DropAction action = ExecDrag(drag);
    AcceptDrops(false);
    shape.reset();
    // The drag's own loop may have deleted the control or the drag.
    if (!self)
        return;
    QObject* target = nullptr;
    QPoint point = site_->mapFromGlobal(QCursor::pos());
    if (drag) {
        if (action != Qt::IgnoreAction && data->target) {
            target = data->target;
            point = data->dropPoint;
        }
        drag->deleteLater();
    }
    FinishDrag(target, point);
}

void TDragControl::FinishDrag(QObject* Target, QPoint Point) {
    dragging_ = false;
    if (OnEndDrag) {
        const TEndDragEvent handler = OnEndDrag;
        if (!Survives(control_, [&] { handler(control_, Target, Point.x(), Point.y()); }))
            return;
    }
    if (Target)
        return;
    dragPoint_ = Point;
    DragCanceled();
}

} // namespace platform
