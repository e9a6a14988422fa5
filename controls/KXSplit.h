#pragma once
// A thin panel between two aligned controls of one parent: dragging it with the left button
// shows a sizing line and, on release, resizes the control it belongs to.

#include "platform/AlignLayout.h"
#include "platform/Classes.h"
#include "platform/ControlEvents.h"
#include "platform/Panel.h"
#include "platform/ShowHint.h"

#include <QPointer>
#include <functional>

enum TSplitterStyle {
    spUnknown,
    spHorizontalFirst,
    spHorizontalSecond,
    spVerticalFirst,
    spVerticalSecond
};
enum TInverseMode { imNew, imClear, imMove };

// Asked before the splitter moves to (X, Y); clearing AllowChange keeps it where it is.
using TSplitterMoveEvent = std::function<void(QObject* Sender, int X, int Y, bool& AllowChange)>;

class TKxSplitter : public platform::TCustomPanel, public platform::TControlEvents {
    Q_OBJECT
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
public:
    explicit TKxSplitter(QWidget* parent = nullptr);
    ~TKxSplitter() override;

    QWidget* ControlFirst() const { return controlFirst_; }
    void SetControlFirst(QWidget* Value);
    QWidget* ControlSecond() const { return controlSecond_; }
    void SetControlSecond(QWidget* Value);
    TAlign Align() const { return platform::GetAlign(this); }
    // Aligning to a side from no side makes the splitter 3 pixels thick; without controls the
    // first becomes the one found beside it.
    void SetAlign(TAlign Value);
    int TopLeftLimit() const { return topLeftLimit_; }
    void SetTopLeftLimit(int Value) { topLeftLimit_ = Value; }
    int BottomRightLimit() const { return bottomRightLimit_; }
    void SetBottomRightLimit(int Value) { bottomRightLimit_ = Value; }
    bool Sizing() const { return sizing_; }
    bool ShowHint() const { return showHint_.Get(); }
    void SetShowHint(bool Value) { showHint_.Set(Value); }
    bool ParentShowHint() const { return showHint_.Parent(); }
    void SetParentShowHint(bool Value) { showHint_.SetParent(Value); }

    TSplitterStyle GetStyle() const;
    Qt::CursorShape GetCursor() const;
    void UpdateState();
    // The first control of the parent just outside the splitter on its aligned side.
    QWidget* FindControl() const;

    TNotifyEvent OnPosChanged;
    TSplitterMoveEvent OnPosChanging;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    using TControlEvents::OnEnter;
    using TControlEvents::OnExit;
    using TControlEvents::OnMouseDown;
    using TControlEvents::OnMouseMove;
    using TControlEvents::OnMouseUp;
    using TControlEvents::OnResize;

    // The sizing line while dragging (in the window's coordinates), else empty.
    QRect SizingLine() const;

protected:
    virtual void Changed();
    virtual void Changing(int X, int Y, bool& AllowChange);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TSizingLine;
    class THintBlocker;

    bool Horizontal() const;
    // The control the drag resizes; a drag whose control was deleted ends untouched.
    QWidget* SizedControl() const;
    void StartInverseRect();
    void MoveInverseRect(int X, int Y, bool AllowChange);
    void CheckPosition(int& X, int& Y) const;
    void ShowInverseRect(int X, int Y, TInverseMode Mode);
    void DrawSizingLine(QPoint P);
    void StopSizing(int X, int Y, bool Apply);
    void EndInverseRect(int X, int Y, bool AllowChange, bool Apply);
    void ReleaseKeyTarget();

    QPointer<QWidget> controlFirst_;
    QPointer<QWidget> controlSecond_;
    bool sizing_ = false;
    TSplitterStyle style_ = spUnknown;
    QPoint lastOrigin_;
    QPoint pressOffset_;
    bool noDropCursor_ = false;
    QPoint limitTopLeft_;
    QPoint limitBottomRight_;
    int topLeftLimit_ = 20;
    int bottomRightLimit_ = 20;
    QPointer<TSizingLine> line_;
    QPointer<QWidget> keyTarget_;
    THintBlocker* hintBlocker_ = nullptr;
    platform::TShowHint showHint_{this, true};
};
