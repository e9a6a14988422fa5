#include "platform/AlignLayout.h"

#include <QEvent>
#include <QPointer>
#include <QVariant>
#include <algorithm>
#include <utility>
#include <vector>

namespace platform {

namespace {

const char* const alignProperty = "quendel.align";
const char* const anchorsProperty = "quendel.anchors";
// The child's geometry and its parent's size when the child last moved or resized itself.
const char* const anchoredGeometryProperty = "quendel.anchoredGeometry";
const char* const anchoredParentSizeProperty = "quendel.anchoredParentSize";
// The child's geometry when the layout last saw it. Qt holds back the move and resize events of
// a hidden child, so a change found here is one made while it was hidden.
const char* const anchoredSeenProperty = "quendel.anchoredSeen";
constexpr TAnchors defaultAnchors = akLeft | akTop;

bool IsDocked(TAlign align) {
    return align != alNone;
}
bool IsHorizontalEdge(TAlign align) {
    return align == alTop || align == alBottom;
}
bool IsVerticalEdge(TAlign align) {
    return align == alLeft || align == alRight;
}

bool IsAnchored(const QWidget* child) {
    return GetAlign(child) == alNone && GetAnchors(child) != defaultAnchors;
}

// Remembers the child's distances for its anchors from a parent of the given size.
void RememberDistances(QWidget* child, QSize parentSize) {
    child->setProperty(anchoredGeometryProperty, child->geometry());
    child->setProperty(anchoredParentSizeProperty, parentSize);
    child->setProperty(anchoredSeenProperty, child->geometry());
}

void RememberDistances(QWidget* child) {
    if (const QWidget* parent = child->parentWidget())
        RememberDistances(child, parent->size());
}

// Start and length along one axis after the parent grew by delta.
std::pair<int, int> Anchored(int start, int length, int delta, bool nearEdge, bool farEdge) {
    if (nearEdge && farEdge)
        return {start, std::max(0, length + delta)};
    if (farEdge)
        return {start + delta, length};
    if (nearEdge)
        return {start, length};
    return {start + delta / 2, length};
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
    explicit TAlignLayout(QWidget* parent)
        : QObject(parent), parent_(parent), laidOutSize_(parent->size()) {
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
        for (QWidget* child : parent_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (IsAnchored(child))
                KeepDistances(child);
        laidOutSize_ = parent_->size();
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
                    child && (IsDocked(GetAlign(child)) || IsAnchored(child))) {
                    Watch(child);
                    Layout();
                }
                break;
            default:
                break;
            }
            return false;
        }
        // Paints and mouse moves pass by often: only a change of place, size or visibility counts.
        const QEvent::Type type = event->type();
        if (type != QEvent::Move && type != QEvent::Resize && type != QEvent::ShowToParent &&
            type != QEvent::HideToParent)
            return false;
        auto* child = static_cast<QWidget*>(watched);
        if (child->parentWidget() != parent_)
            return false;
        if (IsDocked(GetAlign(child))) {
            // Where a docked child stands is the layout's to say: its own move changes nothing.
            if (type != QEvent::Move)
                Layout();
        } else if (!busy_ && GetAnchors(child) != defaultAnchors &&
                   (type == QEvent::Move || type == QEvent::Resize)) {
            RememberDistances(child);
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

    void KeepDistances(QWidget* child) const {
        // Moved or resized while hidden, so while the parent had its size of the last layout.
        if (child->geometry() != child->property(anchoredSeenProperty).toRect())
            RememberDistances(child, laidOutSize_);
        const QRect was = child->property(anchoredGeometryProperty).toRect();
        const QSize grown = parent_->size() - child->property(anchoredParentSizeProperty).toSize();
        const TAnchors anchors = GetAnchors(child);
        const auto [x, w] =
            Anchored(was.x(), was.width(), grown.width(), anchors & akLeft, anchors & akRight);
        const auto [y, h] =
            Anchored(was.y(), was.height(), grown.height(), anchors & akTop, anchors & akBottom);
        child->setGeometry(x, y, w, h);
        child->setProperty(anchoredSeenProperty, child->geometry());
    }

    QWidget* parent_;
    // The parent's size at the end of the last layout.
    QSize laidOutSize_;
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
                RememberDistances(child);
                TAlignLayout* layout = TAlignLayout::Of(parent);
                layout->Watch(child);
                layout->Layout();
            }
        }
        return false;
    }
};

// The control's parent lays it out, also after the control moves to another parent.
void Follow(QWidget* control) {
    if (!control->findChild<TParentWatcher*>(QStringLiteral("quendel.parentWatcher"),
                                             Qt::FindDirectChildrenOnly))
        new TParentWatcher(control);
    if (QWidget* parent = control->parentWidget()) {
        TAlignLayout* layout = TAlignLayout::Of(parent);
        layout->Watch(control);
        layout->Layout();
    }
}

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
    Follow(control);
}

TAnchors GetAnchors(const QWidget* control) {
    const QVariant value = control->property(anchorsProperty);
    return value.isValid() ? TAnchors(value.toInt()) : defaultAnchors;
}

void SetAnchors(QWidget* control, TAnchors value) {
    control->setProperty(anchorsProperty, int(value));
    RememberDistances(control);
    Follow(control);
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
