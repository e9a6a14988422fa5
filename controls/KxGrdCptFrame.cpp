#include "controls/KxGrdCptFrame.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QWhatsThis>
#include <QWindow>
#include <qdrawutil.h>

namespace controls {

using namespace platform;

// One edge of the frame; it paints and handles its part in the form's coordinates.
class TFrameStrip : public QWidget {
public:
    TFrameStrip(TKxCaptionFrame& frame, QWidget* form) : QWidget(form), frame_(&frame) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    // The frame is gone; the strip waits for its own deletion.
    void Detach() { frame_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!frame_)
            return;
        QPainter painter(this);
        painter.translate(-pos());
        frame_->Paint(painter);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (frame_)
            frame_->MousePress(*event, pos());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (frame_)
            frame_->MouseMove(*event, pos(), *this);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (frame_)
            frame_->MouseRelease(*event, pos());
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (frame_)
            frame_->MouseDoubleClick(*event, pos());
    }
    // The frame's right click belongs to the caption's pop-up, never to the form's own menu.
    void contextMenuEvent(QContextMenuEvent* event) override { event->accept(); }

private:
    TKxCaptionFrame* frame_;
};

namespace {

QSize marginsSize(QMargins margins) {
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

// A size limit grown by the frame; an open limit stays open.
QSize grownLimit(QSize limit, QSize by) {
    return {limit.width() >= QWIDGETSIZE_MAX
                ? limit.width()
                : std::min(limit.width() + by.width(), QWIDGETSIZE_MAX),
            limit.height() >= QWIDGETSIZE_MAX
                ? limit.height()
                : std::min(limit.height() + by.height(), QWIDGETSIZE_MAX)};
}

Qt::CursorShape edgeCursor(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical)
        return (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
                   ? Qt::SizeFDiagCursor
                   : Qt::SizeBDiagCursor;
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

// The buttons from the right: close, the maximise/minimise pair, help.
std::vector<TBorderIcon> buttonOrder(TBorderIcons shown) {
    std::vector<TBorderIcon> order;
    if (shown & biSystemMenu)
        order.push_back(biSystemMenu);
    if (shown & (biMinimize | biMaximize)) {
        order.push_back(biMaximize);
        order.push_back(biMinimize);
    }
    if (shown & biHelp)
        order.push_back(biHelp);
    return order;
}

} // namespace

QRect TKxGradientCaption::ButtonRect(TBorderIcon icon) const {
    const TFormBorderStyle style = BorderStyle();
    const std::vector<TBorderIcon> order = buttonOrder(ShownBorderIcons(style, BorderIcons()));
    const auto at = std::find(order.begin(), order.end(), icon);
    if (!form() || at == order.end())
        return {};
    const bool tool = style == bsToolWindow || style == bsSizeToolWin;
    const int width = tool ? Metrics.CxSmSize : Metrics.CxSize;
    const int fromLeft = int(order.end() - at) - 1;
    const QRect caption = CalculateGradientParams();
    return QRect(caption.right() + 1 + fromLeft * width, caption.top(), width, caption.height());
}

TKxCaptionFrame::TKxCaptionFrame(TKxGradientCaption& caption, QWidget& form)
    : caption_(caption), form_(form), contentsMargins_(form.contentsMargins()),
      minimumSize_(form.minimumSize()), maximumSize_(form.maximumSize()) {
    HoldFormFlags(form_, form_.windowFlags());
    ApplyFlags();
    for (TFrameStrip*& strip : strips_)
        strip = new TFrameStrip(*this, &form_);
}

void TKxCaptionFrame::ApplyFlags() {
    // Qt keeps a frame for a form that asks for buttons of its own; the frame draws them now.
    const Qt::WindowFlags decorations = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                                        Qt::WindowContextHelpButtonHint |
                                        Qt::WindowCloseButtonHint | Qt::WindowFullscreenButtonHint;
    const Qt::WindowFlags frameless = (FormFlags() & ~decorations) | Qt::FramelessWindowHint;
    if (form_.windowFlags() != frameless)
        SetFlagsInPlace(form_, frameless);
}

TKxCaptionFrame::~TKxCaptionFrame() {
    // A strip may be running the handler that ended the frame.
    for (TFrameStrip* strip : strips_) {
        strip->Detach();
        if (!abandoned_) {
            strip->hide();
            strip->deleteLater();
        }
    }
    if (abandoned_)
        return;
    takeMargins({}, sizedByItself());
    const Qt::WindowFlags flags = FormFlags();
    ReleaseFormFlags(form_);
    SetFlagsInPlace(form_, flags);
}

void TKxCaptionFrame::Fit(QMargins margins) {
    takeMargins(margins, sizedByItself());
    const QRect window(QPoint(0, 0), form_.size());
    const int middle = window.height() - margins_.top() - margins_.bottom();
    strips_[0]->setGeometry(0, 0, window.width(), margins_.top());
    strips_[1]->setGeometry(0, margins_.top(), margins_.left(), middle);
    strips_[2]->setGeometry(window.width() - margins_.right(), margins_.top(), margins_.right(),
                            middle);
    strips_[3]->setGeometry(0, window.height() - margins_.bottom(), window.width(),
                            margins_.bottom());
    for (TFrameStrip* strip : strips_) {
        strip->setVisible(!strip->geometry().isEmpty());
        strip->raise();
    }
    Repaint();
}

// A maximised or full-screen form keeps the size the screen gives it: growing or shrinking it
// by the frame would end that state.
bool TKxCaptionFrame::sizedByItself() const {
    return (form_.isVisible() || form_.testAttribute(Qt::WA_Resized)) &&
           !(form_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
}

// The form's contents move in by the frame and the form grows by it, so they keep their size.
void TKxCaptionFrame::takeMargins(QMargins margins, bool sized) {
    if (margins == margins_)
        return;
    const QMargins delta = margins - margins_;
    margins_ = margins;
    form_.setContentsMargins(contentsMargins_ + margins_);
    const QSize grow = marginsSize(margins_);
    // A layout takes the margins into the form's limits itself, except fixed ones.
    if (!form_.layout() || minimumSize_ == maximumSize_) {
        form_.setMinimumSize(grownLimit(minimumSize_, grow));
        form_.setMaximumSize(grownLimit(maximumSize_, grow));
    }
    if (!form_.layout()) {
        for (QWidget* child : form_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isWindow() &&
                std::find(strips_.begin(), strips_.end(), child) == strips_.end())
                child->move(child->pos() + QPoint(delta.left(), delta.top()));
        }
    }
    if (sized)
        form_.resize(form_.size() + marginsSize(delta));
}

void TKxCaptionFrame::Repaint() {
    for (TFrameStrip* strip : strips_)
        strip->update();
}

void TKxCaptionFrame::CancelMode() {
    pressed_ = {};
    pressedHot_ = false;
    dragging_ = false;
    Repaint();
}

bool TKxCaptionFrame::sizeable() const {
    const TFormBorderStyle style = caption_.BorderStyle();
    return (style == bsSizeable || style == bsSizeToolWin) &&
           !(form_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
}

TKxCaptionFrame::THitTest TKxCaptionFrame::hitTest(QPoint point) const {
    const QRect window(QPoint(0, 0), form_.size());
    if (!window.contains(point))
        return {};
    for (TBorderIcon button : {biSystemMenu, biMinimize, biMaximize, biHelp}) {
        if (caption_.ButtonRect(button).contains(point))
            return {THit::Button, button, {}};
    }
    const int frameX = margins_.left();
    const int frameY = margins_.bottom();
    if (sizeable()) {
        Qt::Edges edges;
        if (point.x() < frameX)
            edges |= Qt::LeftEdge;
        else if (point.x() > window.right() - frameX)
            edges |= Qt::RightEdge;
        if (point.y() < frameY)
            edges |= Qt::TopEdge;
        else if (point.y() > window.bottom() - frameY)
            edges |= Qt::BottomEdge;
        // Near a corner an edge sizes both ways, over the title bar's height.
        const int corner = margins_.top();
        if (edges && !(edges & (Qt::TopEdge | Qt::BottomEdge))) {
            if (point.y() < corner)
                edges |= Qt::TopEdge;
            else if (point.y() > window.bottom() - corner)
                edges |= Qt::BottomEdge;
        } else if (edges && !(edges & (Qt::LeftEdge | Qt::RightEdge))) {
            if (point.x() < corner)
                edges |= Qt::LeftEdge;
            else if (point.x() > window.right() - corner)
                edges |= Qt::RightEdge;
        }
        if (edges)
            return {THit::Edge, biSystemMenu, edges};
    }
    if (point.y() < margins_.top())
        return {THit::Caption, biSystemMenu, {}};
    return {};
}

void TKxCaptionFrame::MousePress(const QMouseEvent& event, QPoint offset) {
    const QPoint point = event.position().toPoint() + offset;
    if (event.button() == Qt::RightButton) {
        caption_.rightButtonDown();
        return;
    }
    if (event.button() != Qt::LeftButton)
        return;
    pressed_ = hitTest(point);
    if (pressed_.Kind == THit::Button) {
        pressedHot_ = true;
        Repaint();
    } else if (pressed_.Kind == THit::Edge) {
        startDrag(pressed_.Edges, event.globalPosition().toPoint());
    } else if (pressed_.Kind == THit::Caption) {
        // The move waits for the pointer to travel: a window manager that takes the move takes
        // the pointer too, and the second click of a double click would never come back.
        pressStart_ = event.globalPosition().toPoint();
    }
}

// The window manager moves or sizes the window when it can; otherwise the form follows the
// pointer itself.
void TKxCaptionFrame::startDrag(Qt::Edges edges, QPoint screenPoint) {
    pressed_ = {};
    QWindow* window = form_.windowHandle();
    if (window && (edges ? window->startSystemResize(edges) : window->startSystemMove()))
        return;
    dragging_ = true;
    dragEdges_ = edges;
    dragStart_ = screenPoint;
    dragGeometry_ = QRect(form_.pos(), form_.size());
}

void TKxCaptionFrame::drag(QPoint screenPoint) {
    const QPoint by = screenPoint - dragStart_;
    if (!dragEdges_) {
        form_.move(dragGeometry_.topLeft() + by);
        return;
    }
    const QSize least = form_.minimumSize().expandedTo(marginsSize(margins_) + QSize(1, 1));
    const QSize most = form_.maximumSize();
    QRect rect = dragGeometry_;
    if (dragEdges_ & Qt::LeftEdge)
        rect.setLeft(dragGeometry_.right() + 1 -
                     std::clamp(dragGeometry_.width() - by.x(), least.width(), most.width()));
    if (dragEdges_ & Qt::RightEdge)
        rect.setWidth(std::clamp(dragGeometry_.width() + by.x(), least.width(), most.width()));
    if (dragEdges_ & Qt::TopEdge)
        rect.setTop(dragGeometry_.bottom() + 1 -
                    std::clamp(dragGeometry_.height() - by.y(), least.height(), most.height()));
    if (dragEdges_ & Qt::BottomEdge)
        rect.setHeight(std::clamp(dragGeometry_.height() + by.y(), least.height(), most.height()));
    form_.move(rect.topLeft());
    form_.resize(rect.size());
}

void TKxCaptionFrame::MouseMove(const QMouseEvent& event, QPoint offset, QWidget& strip) {
    const QPoint point = event.position().toPoint() + offset;
    const QPoint screenPoint = event.globalPosition().toPoint();
    if (pressed_.Kind == THit::Caption && !form_.isMaximized() &&
        (screenPoint - pressStart_).manhattanLength() >=
            QGuiApplication::styleHints()->startDragDistance())
        startDrag({}, pressStart_);
    if (dragging_) {
        drag(screenPoint);
    } else if (pressed_.Kind == THit::Button) {
        const bool hot = hitTest(point) == pressed_;
        if (hot != pressedHot_) {
            pressedHot_ = hot;
            Repaint();
        }
    } else if (event.buttons() == Qt::NoButton) {
        const THitTest hit = hitTest(point);
        if (hit.Kind == THit::Edge)
            strip.setCursor(edgeCursor(hit.Edges));
        else
            strip.unsetCursor();
    }
}

void TKxCaptionFrame::MouseRelease(const QMouseEvent& event, QPoint offset) {
    if (event.button() == Qt::RightButton) {
        // The pop-up may end this frame: nothing of it is touched afterwards.
        caption_.rightButtonUp(event.globalPosition().toPoint());
        return;
    }
    if (event.button() != Qt::LeftButton)
        return;
    const THitTest pressed = pressed_;
    const bool clicked =
        pressed.Kind == THit::Button && hitTest(event.position().toPoint() + offset) == pressed;
    CancelMode();
    if (clicked)
        click(pressed.Button);
}

void TKxCaptionFrame::MouseDoubleClick(const QMouseEvent& event, QPoint offset) {
    if (event.button() != Qt::LeftButton ||
        hitTest(event.position().toPoint() + offset).Kind != THit::Caption)
        return;
    CancelMode();
    if (ShownBorderIcons(caption_.BorderStyle(), caption_.BorderIcons()) & biMaximize)
        toggleMaximized();
}

// The form's answer runs after the mouse event, as closing may destroy the form and this frame.
void TKxCaptionFrame::click(TBorderIcon button) {
    if (!(ShownBorderIcons(caption_.BorderStyle(), caption_.BorderIcons()) & button))
        return;
    QWidget* form = &form_;
    switch (button) {
    case biSystemMenu:
        QMetaObject::invokeMethod(
            form, [form] { form->close(); }, Qt::QueuedConnection);
        break;
    case biMinimize:
        QMetaObject::invokeMethod(
            form, [form] { form->showMinimized(); }, Qt::QueuedConnection);
        break;
    case biMaximize:
        toggleMaximized();
        break;
    case biHelp:
        QWhatsThis::enterWhatsThisMode();
        break;
    }
}

void TKxCaptionFrame::toggleMaximized() {
    QWidget* form = &form_;
    QMetaObject::invokeMethod(
        form, [form] { form->isMaximized() ? form->showNormal() : form->showMaximized(); },
        Qt::QueuedConnection);
}

void TKxCaptionFrame::Paint(QPainter& painter) const {
    const QRect window(QPoint(0, 0), form_.size());
    const bool active = caption_.FormActive();
    painter.fillRect(window, ToQColor(active ? clActiveBorder : clInactiveBorder));
    qDrawWinPanel(&painter, window, form_.palette(), false);
    const QRect caption = caption_.CalculateGradientParams();
    // The buttons stand on the end colour, as the gradient ends.
    painter.fillRect(
        QRect(caption.topLeft(), QPoint(window.right() - margins_.right(), caption.bottom())),
        ToQColor(caption_.endColor()));
    painter.drawImage(caption.topLeft(), caption_.CaptionImage());
    for (TBorderIcon button : {biSystemMenu, biMinimize, biMaximize, biHelp})
        paintButton(painter, button);
}

void TKxCaptionFrame::paintButton(QPainter& painter, TBorderIcon button) const {
    const QRect slot = caption_.ButtonRect(button);
    if (slot.isEmpty())
        return;
    const QRect face = slot.adjusted(1, 2, -1, -2);
    const bool sunken = pressed_.Kind == THit::Button && pressed_.Button == button && pressedHot_;
    const QBrush fill(ToQColor(clBtnFace));
    qDrawWinButton(&painter, face, form_.palette(), sunken, &fill);
    QStyle::StandardPixmap glyph = QStyle::SP_TitleBarCloseButton;
    if (button == biMinimize)
        glyph = QStyle::SP_TitleBarMinButton;
    else if (button == biMaximize)
        glyph =
            form_.isMaximized() ? QStyle::SP_TitleBarNormalButton : QStyle::SP_TitleBarMaxButton;
    else if (button == biHelp)
        glyph = QStyle::SP_TitleBarContextHelpButton;
    const bool enabled = ShownBorderIcons(caption_.BorderStyle(), caption_.BorderIcons()) & button;
    const int side = std::max(1, std::min(face.width(), face.height()) - 4);
    QRect glyphRect(0, 0, side, side);
    glyphRect.moveCenter(face.center() + (sunken ? QPoint(1, 1) : QPoint()));
    form_.style()
        ->standardIcon(glyph, nullptr, &form_)
        .paint(&painter, glyphRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
}

} // namespace controls
