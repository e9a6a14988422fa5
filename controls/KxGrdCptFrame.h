#pragma once
// The frame a gradient caption draws on its frameless form: four strips along the form's edges,
// over contents margins the form's own layout keeps free for them. They move, size, maximise and
// close the form as the window manager's frame would: through the window manager where it takes
// the request, the form moving itself where it does not. Ending the frame gives the form back its
// flags, margins, size limits and place.

#include "controls/KxGrdCpt.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>

class QMouseEvent;
class QPainter;

namespace controls {

class TFrameStrip;

class TKxCaptionFrame {
public:
    TKxCaptionFrame(TKxGradientCaption& caption, QWidget& form);
    ~TKxCaptionFrame();
    TKxCaptionFrame(const TKxCaptionFrame&) = delete;
    TKxCaptionFrame& operator=(const TKxCaptionFrame&) = delete;

    // The form's flags as its owner set them, without the frameless hint.
    Qt::WindowFlags FormFlags() const { return platform::FormFlags(form_); }
    // The owner's flags changed: the form takes them, without the decorations the frame draws.
    void ApplyFlags();
    // Whether the owner fixed the form's size; the frame grows both limits alike.
    bool FixedSize() const { return minimumSize_ == maximumSize_; }
    // Takes the room the frame needs now, lays the strips along the edges above the form's
    // children and repaints them.
    void Fit(QMargins margins);
    void Repaint();
    // The form goes with its children: nothing is given back.
    void Abandon() { abandoned_ = true; }
    // Ends a press on the frame without acting on it.
    void CancelMode();

    void Paint(QPainter& painter) const;
    void MousePress(const QMouseEvent& event, QPoint offset);
    void MouseMove(const QMouseEvent& event, QPoint offset, QWidget& strip);
    void MouseRelease(const QMouseEvent& event, QPoint offset);
    void MouseDoubleClick(const QMouseEvent& event, QPoint offset);

private:
    enum class THit { None, Caption, Button, Edge };
    struct THitTest {
        THit Kind = THit::None;
        TBorderIcon Button = biSystemMenu;
        Qt::Edges Edges;
        bool operator==(const THitTest&) const = default;
    };

    THitTest hitTest(QPoint point) const;
    bool sizeable() const;
    bool sizedByItself() const;
    void takeMargins(QMargins margins, bool sized);
    void startDrag(Qt::Edges edges, QPoint screenPoint);
    void drag(QPoint screenPoint);
    void click(TBorderIcon button);
    void toggleMaximized();
    void paintButton(QPainter& painter, TBorderIcon button) const;

    TKxGradientCaption& caption_;
    QWidget& form_;
    QMargins contentsMargins_;
    QSize minimumSize_;
    QSize maximumSize_;
    QMargins margins_;
    std::array<TFrameStrip*, 4> strips_{};
    bool abandoned_ = false;
    // The left press on the frame, where a press on the caption began and, while the form moves
    // or sizes itself, where that began.
    THitTest pressed_;
    bool pressedHot_ = false;
    QPoint pressStart_;
    bool dragging_ = false;
    Qt::Edges dragEdges_;
    QPoint dragStart_;
    QRect dragGeometry_;
};

} // namespace controls
