#pragma once
// The panel that other controls stand on: a self-painting widget with two bevels, a border
// between them and a background colour.

#include "platform/Colors.h"
#include "platform/Ctl3D.h"
#include "platform/ParentColor.h"

#include <QWidget>

class QPainter;

namespace platform {

class TCustomPanel : public QWidget, public TCtl3D {
    Q_OBJECT
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(bool ParentCtl3D READ ParentCtl3D WRITE SetParentCtl3D)
public:
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit TCustomPanel(QWidget* parent = nullptr);

    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_.Get(); }
    void SetParentColor(bool value) { parentColor_.Set(value); }

    // The client area inside the single border (the original's client rectangle).
    QRect ClientRect() const;
    // The client area less the bevels and the border width between them.
    QRect InnerRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Draws the frame and fills the inside; descendants draw over it.
    virtual void Paint(QPainter& painter);
    // Draws the bevels and the border between them; `rect` shrinks to what is inside.
    void PaintFrame(QPainter& painter, QRect& rect) const;
    // Runs after a change that moves the inside.
    virtual void FrameChanged() {}
    // The single border changes with the look.
    void Ctl3DChanged() override;

private:
    template <class T> void change(T& field, T value, bool movesInside);
    void showColor(TColor value);

    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    TColor color_ = clBtnFace;
    TParentColor parentColor_{this, [this](TColor color) { showColor(color); }};
};

} // namespace platform
