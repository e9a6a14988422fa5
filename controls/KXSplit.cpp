#include "controls/KXSplit.h"

#include "platform/ControlEvents.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

// The inverted line of a drag, drawn on an overlay over the window (Qt has no XOR drawing on
// widgets).
class TKxSplitter::TSizingLine : public QWidget {
public:
    explicit TSizingLine(QWidget* form) : QWidget(form) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(form->rect());
        show();
        raise();
    }

    QRect line;

protected:
    void paintEvent(QPaintEvent*) override {
        if (line.isEmpty())
            return;
        QPainter painter(this);
        painter.fillRect(line, QBrush(Qt::black, Qt::Dense4Pattern));
    }
};

// Keeps tool tips off while a drag runs.
class TKxSplitter::THintBlocker : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

TKxSplitter::TKxSplitter(QWidget* parent) : TCustomPanel(parent), TControlEvents(this) {
    resize(185, 3);
    SetCtl3D(false); // flat, and deaf to the parent's look
}

TKxSplitter::~TKxSplitter() {
    ReleaseKeyTarget();
    delete hintBlocker_;
    delete line_;
}

void TKxSplitter::SetControlFirst(QWidget* Value) {
    controlFirst_ = Value == this || platform::IsForm(Value) ? nullptr : Value;
    UpdateState();
}

void TKxSplitter::SetControlSecond(QWidget* Value) {
    controlSecond_ = Value == this || platform::IsForm(Value) ? nullptr : Value;
    UpdateState();
}

void TKxSplitter::SetAlign(TAlign Value) {
    const TAlign old = Align();
    if (old == alNone || old == alClient) {
        if (Value == alTop || Value == alBottom)
            resize(width(), 3);
        else if (Value == alLeft || Value == alRight)
            resize(3, height());
    }
    platform::SetAlign(this, Value);
    if (!controlFirst_ && !controlSecond_)
        controlFirst_ = FindControl();
    UpdateState();
}

QWidget* TKxSplitter::FindControl() const {
    const QWidget* parent = parentWidget();
    if (!parent)
        return nullptr;
    QPoint probe;
    switch (Align()) {
    case alTop:
        probe = QPoint(x(), y() - 1);
        break;
    case alBottom:
        probe = QPoint(x(), y() + height());
        break;
    case alLeft:
        probe = QPoint(x() - 1, y());
        break;
    case alRight:
        probe = QPoint(x() + width(), y());
        break;
    default:
        return nullptr;
    }
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && child != this && !child->isWindow() && child->geometry().contains(probe))
            return child;
    }
    return nullptr;
}

TSplitterStyle TKxSplitter::GetStyle() const {
    if (!controlFirst_)
        return spUnknown;
    const TAlign a1 = platform::GetAlign(controlFirst_);
    const TAlign a2 = controlSecond_ ? platform::GetAlign(controlSecond_) : alNone;
    const bool secondIsClientOrNone = !controlSecond_ || a2 == alClient;
    TSplitterStyle style = spUnknown;
    if ((a1 == alTop || a1 == alBottom) && secondIsClientOrNone)
        style = spHorizontalFirst;
    else if (a1 == alClient && controlSecond_ && (a2 == alBottom || a2 == alTop))
        style = spHorizontalSecond;
    else if ((a1 == alLeft || a1 == alRight) && secondIsClientOrNone)
        style = spVerticalFirst;
    else if (a1 == alClient && controlSecond_ && (a2 == alRight || a2 == alLeft))
        style = spVerticalSecond;
    const bool first = style == spHorizontalFirst || style == spVerticalFirst;
    if (style != spUnknown && Align() != (first ? a1 : a2))
        return spUnknown;
    return style;
}

Qt::CursorShape TKxSplitter::GetCursor() const {
    switch (GetStyle()) {
    case spHorizontalFirst:
    case spHorizontalSecond:
        return Qt::SplitVCursor;
    case spVerticalFirst:
    case spVerticalSecond:
        return Qt::SplitHCursor;
    default:
        return Qt::ArrowCursor;
    }
}

void TKxSplitter::UpdateState() {
    setCursor(GetCursor());
}

bool TKxSplitter::Horizontal() const {
    return style_ == spHorizontalFirst || style_ == spHorizontalSecond;
}

void TKxSplitter::Changed() {
    if (OnPosChanged)
        OnPosChanged(this);
}

void TKxSplitter::Changing(int X, int Y, bool& AllowChange) {
    if (OnPosChanging)
        OnPosChanging(this, X, Y, AllowChange);
}

QRect TKxSplitter::SizingLine() const {
    return line_ ? line_->line : QRect();
}

void TKxSplitter::mousePressEvent(QMouseEvent* event) {
    TCustomPanel::mousePressEvent(event);
    if (!MouseDown(*event) || event->button() != Qt::LeftButton || sizing_)
        return;
    style_ = GetStyle();
    if (style_ == spUnknown)
        return;
    sizing_ = true;
    QWidget* form = window();
    keyTarget_ = form->focusWidget() ? form->focusWidget() : form;
    keyTarget_->installEventFilter(this);
    hintBlocker_ = new THintBlocker;
    qApp->installEventFilter(hintBlocker_);
    pressOffset_ = event->position().toPoint();
    StartInverseRect();
}

void TKxSplitter::StartInverseRect() {
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QRect r = parent->rect();
    limitTopLeft_ = mapFrom(parent, QPoint(r.left() + topLeftLimit_, r.top() + topLeftLimit_));
    limitBottomRight_ =
        mapFrom(parent, QPoint(r.width() - bottomRightLimit_, r.height() - bottomRightLimit_));
    noDropCursor_ = false;
    line_ = new TSizingLine(window());
    ShowInverseRect(width() / 2, height() / 2, imNew);
}

QWidget* TKxSplitter::SizedControl() const {
    return style_ == spHorizontalSecond || style_ == spVerticalSecond ? controlSecond_
                                                                      : controlFirst_;
}

void TKxSplitter::mouseMoveEvent(QMouseEvent* event) {
    TCustomPanel::mouseMoveEvent(event);
    if (!MouseMove(*event))
        return;
    if (sizing_ && !SizedControl())
        StopSizing(0, 0, false);
    if (!sizing_)
        return;
    const QPoint p = event->position().toPoint();
    bool allow = true;
    if (platform::Survives(this, *event, [&] { Changing(p.x(), p.y(), allow); }))
        MoveInverseRect(p.x(), p.y(), allow);
}

void TKxSplitter::MoveInverseRect(int X, int Y, bool AllowChange) {
    if (!AllowChange) {
        setCursor(Qt::ForbiddenCursor);
        return;
    }
    const int oldX = X;
    const int oldY = Y;
    CheckPosition(X, Y);
    const bool noDrop = Horizontal() ? Y != oldY : X != oldX;
    if (noDrop != noDropCursor_) {
        noDropCursor_ = noDrop;
        setCursor(noDrop ? Qt::ForbiddenCursor : GetCursor());
    }
    ShowInverseRect(X - pressOffset_.x() + width() / 2, Y - pressOffset_.y() + height() / 2,
                    imMove);
}

void TKxSplitter::CheckPosition(int& X, int& Y) const {
    if (X - pressOffset_.x() < limitTopLeft_.x())
        X = limitTopLeft_.x() + pressOffset_.x();
    else if (X - pressOffset_.x() + width() > limitBottomRight_.x())
        X = limitBottomRight_.x() - width() + pressOffset_.x();
    if (Y - pressOffset_.y() < limitTopLeft_.y())
        Y = limitTopLeft_.y() + pressOffset_.y();
    else if (Y - pressOffset_.y() + height() > limitBottomRight_.y())
        Y = limitBottomRight_.y() - height() + pressOffset_.y();
}

void TKxSplitter::ShowInverseRect(int X, int Y, TInverseMode Mode) {
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    QPoint p = mapToGlobal(Horizontal() ? QPoint(0, Y) : QPoint(X, 0));
    const QRect client(parent->mapToGlobal(QPoint(0, 0)), parent->size());
    p.setX(std::clamp(p.x(), client.left(), client.right()));
    p.setY(std::clamp(p.y(), client.top(), client.bottom()));
    if (Mode == imMove && (Horizontal() ? p.y() == lastOrigin_.y() : p.x() == lastOrigin_.x()))
        return;
    if (Mode == imClear && line_) {
        line_->line = QRect();
        line_->update();
    }
    if (Mode != imClear) {
        DrawSizingLine(p);
        lastOrigin_ = p;
    }
}

void TKxSplitter::DrawSizingLine(QPoint P) {
    if (!line_)
        return;
    const QWidget* form = line_->parentWidget();
    const int thickness = Horizontal() ? height() : width();
    const int pen = thickness < 4 ? 2 : thickness - 2;
    const QPoint from = form->mapFromGlobal(P);
    if (Horizontal()) {
        const int right = mapTo(form, QPoint(width(), 0)).x();
        line_->line = QRect(from.x(), from.y() - pen / 2, right - from.x(), pen);
    } else {
        const int bottom = mapTo(form, QPoint(0, height())).y();
        line_->line = QRect(from.x() - pen / 2, from.y(), pen, bottom - from.y());
    }
    line_->update();
}

// The click, then the end of the sizing, then the release's own event.
void TKxSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (Clicked(*event) && !Notify(OnClick, *event))
        return;
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !platform::Survives(this, *event, [&] {
            StopSizing(p.x(), p.y(), SizedControl() != nullptr);
        }))
        return;
    TCustomPanel::mouseReleaseEvent(event);
    MouseUp(*event);
}

// The double click, then its second press.
void TKxSplitter::mouseDoubleClickEvent(QMouseEvent* event) {
    if (Notify(OnDblClick, *event))
        mousePressEvent(event);
}

bool TKxSplitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == keyTarget_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        StopSizing(0, 0, false);
        return true;
    }
    return TCustomPanel::eventFilter(watched, event);
}

void TKxSplitter::ReleaseKeyTarget() {
    if (keyTarget_)
        keyTarget_->removeEventFilter(this);
    keyTarget_ = nullptr;
}

void TKxSplitter::StopSizing(int X, int Y, bool Apply) {
    if (!sizing_)
        return;
    bool allow = Apply;
    if (Apply && !platform::Survives(this, [&] { Changing(X, Y, allow); }))
        return;
    EndInverseRect(X, Y, allow, Apply);
    sizing_ = false;
    delete hintBlocker_;
    hintBlocker_ = nullptr;
    ReleaseKeyTarget();
    UpdateState();
    if (Apply)
        Changed();
}

void TKxSplitter::EndInverseRect(int X, int Y, bool AllowChange, bool Apply) {
    if (line_) {
        ShowInverseRect(0, 0, imClear);
        delete line_;
    }
    noDropCursor_ = false;
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const int h = parent->height() - height();
    const int w = parent->width() - width();
    if (!AllowChange) {
        const QPoint last =
            mapFromGlobal(lastOrigin_) + pressOffset_ - QPoint(width() / 2, height() / 2);
        X = last.x();
        Y = last.y();
    }
    if (!Apply)
        return;
    CheckPosition(X, Y);
    QPoint offset = pressOffset_;
    const auto aligned = [this](TAlign align) {
        return (controlFirst_ && platform::GetAlign(controlFirst_) == align) ||
               (controlSecond_ && platform::GetAlign(controlSecond_) == align);
    };
    if (aligned(alRight)) {
        X = -X;
        offset.setX(-offset.x());
    }
    if (aligned(alBottom)) {
        Y = -Y;
        offset.setY(-offset.y());
    }
    // Never below 1 pixel, also when the size would fill the parent.
    const auto fit = [](int size, int room) {
        size = std::max(size, 1);
        return std::max(size >= room ? room - 3 : size, 1);
    };
    platform::TAlignSuspender suspend(parent);
    QWidget* first = controlFirst_;
    QWidget* second = controlSecond_;
    switch (style_) {
    case spHorizontalFirst:
        if (first)
            first->resize(first->width(), fit(first->height() + Y - offset.y(), h));
        break;
    case spHorizontalSecond:
        if (second)
            second->resize(second->width(), fit(second->height() + Y - offset.y(), h));
        break;
    case spVerticalFirst:
        if (first)
            first->resize(fit(first->width() + X - offset.x(), w), first->height());
        break;
    case spVerticalSecond:
        if (second)
            second->resize(fit(second->width() + X - offset.x(), w), second->height());
        break;
    case spUnknown:
        break;
    }
}
