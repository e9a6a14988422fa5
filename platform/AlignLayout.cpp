#include "platform/AlignLayout.h"

#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <vector>

namespace platform {

namespace {

const char* const alignProperty = "quendel.align";

bool IsDocked(TAlign align) {
    return align != alNone;
}
bool IsHorizontalEdge(TAlign align) {
    return align == alTop || align == alBottom;
}
bool IsVerticalEdge(TAlign align) {
    return align == alLeft || align == alRight;
}

// The place that orders children of one alignment: nearest to their edge first.
int PlaceOf(const QWidget* child, TAlign align) {
    const QRect g = child->geometry();
    switch (align) {
    case alTop:
        return g.top();
    case alBottom:
        return -(g.top() + g.height());
    case alLeft:
        return g.left();
    case alRight:
        return -(g.left() + g.width());
    default:
        return 0;
    }
}

// Watches the parent (resizes, children coming and going) and its docked children (own size
// changes, shown or hidden, moved to another parent).
class TAlignLayout : public QObject {
public:
    explicit TAlignLayout(QWidget* parent) : QObject(parent), parent_(parent) {
        setObjectName(QStringLiteral("quendel.alignLayout"));
        parent->installEventFilter(this);
    }

    static TAlignLayout* Of(QWidget* parent) {
        auto* layout = parent->findChild<TAlignLayout*>(QStringLiteral("quendel.alignLayout"),
                                                        Qt::FindDirectChildrenOnly);
        return layout ? layout : new TAlignLayout(parent);
    }

    void Watch(QWidget* child) {
        child->removeEventFilter(this);
        child->installEventFilter(this);
    }

    void Disable() { ++disabled_; }
    void Enable() {
        if (disabled_ > 0 && --disabled_ == 0)
            Layout();
    }

    void Layout() {
        if (disabled_ > 0 || busy_)
            return;
        busy_ = true;
        QRect rest = parent_->contentsRect();
        for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient})
            for (QWidget* child : Ordered(align))
                Place(child, align, rest);
        busy_ = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent_) {
            switch (event->type()) {
            case QEvent::Resize:
            case QEvent::ChildRemoved:
                Layout();
                break;
            case QEvent::ChildAdded:
                if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
                    child && IsDocked(GetAlign(child))) {
                    Watch(child);
                    Layout();
                }
                break;
            default:
                break;
            }
            return false;
        }
        auto* child = static_cast<QWidget*>(watched);
        if (child->parentWidget() != parent_)
            return false;
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            Layout();
            break;
        default:
            break;
        }
        return false;
    }

private:
    std::vector<QWidget*> Ordered(TAlign align) const {
        std::vector<QWidget*> list;
        for (QObject* object : parent_->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !child->isHidden() && GetAlign(child) == align)
                list.push_back(child);
        }
        std::stable_sort(list.begin(), list.end(), [align](const QWidget* a, const QWidget* b) {
            return PlaceOf(a, align) < PlaceOf(b, align);
        });
        return list;
    }

    // The child takes its edge of what is left; its thickness is its own size after the
    // geometry (its minimum and maximum sizes may have changed it).
    static void Place(QWidget* child, TAlign align, QRect& rest) {
        const int w = std::max(0, rest.width());
        const int h = std::max(0, rest.height());
        switch (align) {
        case alTop:
            child->setGeometry(rest.left(), rest.top(), w, child->height());
            rest.setTop(rest.top() + child->height());
            break;
        case alBottom:
            child->setGeometry(rest.left(), rest.top() + h - child->height(), w, child->height());
            rest.setBottom(rest.bottom() - child->height());
            break;
        case alLeft:
            child->setGeometry(rest.left(), rest.top(), child->width(), h);
            rest.setLeft(rest.left() + child->width());
            break;
        case alRight:
            child->setGeometry(rest.left() + w - child->width(), rest.top(), child->width(), h);
            rest.setRight(rest.right() - child->width());
            break;
        case alClient:
            child->setGeometry(rest.left(), rest.top(), w, h);
            break;
        case alNone:
            break;
        }
    }

    QWidget* parent_;
    int disabled_ = 0;
    bool busy_ = false;
};

// A docked child that moves to another parent is watched by that parent's layout.
class TParentWatcher : public QObject {
public:
    explicit TParentWatcher(QWidget* child) : QObject(child) {
        setObjectName(QStringLiteral("quendel.parentWatcher"));
        child->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ParentChange) {
            auto* child = static_cast<QWidget*>(watched);
            if (QWidget* parent = child->parentWidget()) {
                TAlignLayout* layout = TAlignLayout::Of(parent);
                layout->Watch(child);
                layout->Layout();
            }
        }
        return false;
    }
};

} // namespace

TAlign GetAlign(const QWidget* control) {
    return TAlign(control->property(alignProperty).toInt());
}

void SetAlign(QWidget* control, TAlign value) {
    const TAlign old = GetAlign(control);
    if (old == value)
        return;
    {
        TAlignSuspender suspend(control->parentWidget());
        control->setProperty(alignProperty, int(value));
        if ((IsHorizontalEdge(old) && IsVerticalEdge(value)) ||
            (IsVerticalEdge(old) && IsHorizontalEdge(value)))
            control->resize(control->height(), control->width());
    }
    if (!control->findChild<TParentWatcher*>(QStringLiteral("quendel.parentWatcher"),
                                             Qt::FindDirectChildrenOnly))
        new TParentWatcher(control);
    if (QWidget* parent = control->parentWidget()) {
        TAlignLayout* layout = TAlignLayout::Of(parent);
        layout->Watch(control);
        layout->Layout();
    }
}

void Realign(QWidget* parent) {
    TAlignLayout::Of(parent)->Layout();
}

void DisableAlign(QWidget* parent) {
    TAlignLayout::Of(parent)->Disable();
}

void EnableAlign(QWidget* parent) {
    TAlignLayout::Of(parent)->Enable();
}

TAlignSuspender::TAlignSuspender(QWidget* parent) : parent_(parent) {
    if (parent_)
        DisableAlign(parent_);
}

TAlignSuspender::~TAlignSuspender() {
    if (parent_)
        EnableAlign(parent_);
}

} // namespace platform
