#pragma once
// A panel that, while active, scrolls its lines of text through its client area (upwards or
// sideways) beside an optional glyph, like a credits roll. The text is drawn into a memory image
// at every tick of its timer, which always ticks on the GUI thread.

#include "controls/KXCtrlsGlyphs.h"
#include "platform/Classes.h"
#include "platform/Panel.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <functional>

class TKxTimer;

enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
enum TScrollDirection { sdVertical, sdHorizontal };

using TPanelDrawEvent = std::function<void(QObject* Sender, QPainter& Canvas, const QRect& Rect)>;

class TSecretPanel : public platform::TCustomPanel {
    Q_OBJECT
public:
    explicit TSecretPanel(QWidget* parent = nullptr);
    ~TSecretPanel() override;

    bool Active() const { return active_; }
    void SetActive(bool Value);
    void Play() { SetActive(true); }
    void Stop() { SetActive(false); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    const QStringList& Lines() const { return lines_; }
    // Restarts the scroll.
    void SetLines(const QStringList& Value);
    bool Cycled() const { return cycled_; }
    void SetCycled(bool Value) { cycled_ = Value; }
    unsigned Interval() const;
    void SetInterval(unsigned Value);
    // Kept for the settings: the ticks run on the GUI thread either way.
    bool AsyncDrawing() const { return asyncDrawing_; }
    void SetAsyncDrawing(bool Value);
    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& Value);
    TGlyphLayout GlyphLayout() const { return glyphLayout_; }
    void SetGlyphLayout(TGlyphLayout Value);
    TBevelCut TextStyle() const { return textStyle_; }
    void SetTextStyle(TBevelCut Value);
    TScrollDirection ScrollDirection() const { return scrollDirection_; }
    void SetScrollDirection(TScrollDirection Value);

    int ScrollPos() const { return scrollPos_; }
    int ScrollLength() const { return scrollLength_; }
    int FirstLine() const { return firstLine_; }
    int LineHeight() const { return lineHeight_; }
    QRect TextRect() const { return textRect_; }
    QPoint GlyphOrigin() const { return glyphOrigin_; }
    const QImage& MemoryImage() const { return memoryImage_; }
    TKxTimer* Timer() const { return timer_; }

    TPanelDrawEvent OnPaintClient;
    TNotifyEvent OnStartPlay;
    TNotifyEvent OnStopPlay;

    // One tick: one pixel further, back to the start when cycled, else the end of play.
    virtual void TimerExpired();

protected:
    virtual void PaintClient(QPainter& Canvas, const QRect& Rect);
    virtual void StartPlay();
    virtual void StopPlay();
    void Paint(QPainter& painter) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateMemoryImage();
    void RecalcDrawRect();
    // The panel's background behind the text, on the memory image.
    void PaintMemoryBackground(QPainter& painter);
    void PaintText();
    void RestartWhileActive();

    bool active_ = false;
    TAlignment alignment_ = taCenter;
    QStringList lines_;
    bool cycled_ = false;
    int scrollPos_ = 0;
    int scrollLength_ = 0;
    int lineHeight_ = 0;
    int firstLine_ = 0;
    TKxTimer* timer_;
    QRect textRect_;
    QRect paintRect_;
    QPoint glyphOrigin_;
    QImage memoryImage_;
    QPixmap glyph_;
    QList<QPointer<QWidget>> hiddenControls_;
    TBevelCut textStyle_ = bvNone;
    TScrollDirection scrollDirection_ = sdVertical;
    TGlyphLayout glyphLayout_ = glGlyphLeft;
    bool asyncDrawing_ = true;
};
