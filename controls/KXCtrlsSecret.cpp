#include "controls/KXCtrlsSecret.h"

#include "storage/KxTimer.h"

#include <QEvent>
#include <QPainter>

TSecretPanel::TSecretPanel(QWidget* parent) : TCustomPanel(parent), timer_(new TKxTimer(this)) {
    SetBevelOuter(bvLowered);
    timer_->SetThreaded(false);
    timer_->SetEnabled(false);
    timer_->SetInterval(30);
    timer_->SyncEvent = false;
    timer_->SetOnTimer([this](TKxTimer*) { TimerExpired(); });
}

TSecretPanel::~TSecretPanel() = default;

unsigned TSecretPanel::Interval() const {
    return timer_->Interval();
}

void TSecretPanel::SetInterval(unsigned Value) {
    timer_->SetInterval(Value);
}

void TSecretPanel::SetAsyncDrawing(bool Value) {
    asyncDrawing_ = Value;
    timer_->SyncEvent = !Value;
}

void TSecretPanel::SetActive(bool Value) {
    if (active_ == Value)
        return;
    active_ = Value;
    if (Value) {
        UpdateMemoryImage();
        timer_->SetEnabled(true);
        try {
            StartPlay();
        } catch (...) {
            timer_->SetEnabled(false);
            active_ = false;
            throw;
        }
        for (QObject* object : children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !child->isHidden()) {
                hiddenControls_.append(child);
                child->hide();
            }
        }
        return;
    }
    timer_->SetEnabled(false);
    scrollPos_ = 0;
    memoryImage_ = QImage();
    StopPlay();
    for (const QPointer<QWidget>& child : std::as_const(hiddenControls_))
        if (child)
            child->show();
    hiddenControls_.clear();
    update();
}

void TSecretPanel::StartPlay() {
    if (OnStartPlay)
        OnStartPlay(this);
}

void TSecretPanel::StopPlay() {
    if (OnStopPlay)
        OnStopPlay(this);
}

void TSecretPanel::SetAlignment(TAlignment Value) {
    if (alignment_ != Value) {
        alignment_ = Value;
        update();
    }
}

void TSecretPanel::RestartWhileActive() {
    scrollPos_ = 0;
    if (active_)
        UpdateMemoryImage();
    update();
}

void TSecretPanel::SetLines(const QStringList& Value) {
    lines_ = Value;
    RestartWhileActive();
}

void TSecretPanel::SetScrollDirection(TScrollDirection Value) {
    if (scrollDirection_ != Value) {
        scrollDirection_ = Value;
        RestartWhileActive();
    }
}

void TSecretPanel::SetGlyph(const QPixmap& Value) {
    glyph_ = Value;
    if (active_)
        UpdateMemoryImage();
    update();
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout Value) {
    if (glyphLayout_ != Value) {
        glyphLayout_ = Value;
        if (active_)
            UpdateMemoryImage();
        update();
    }
}

void TSecretPanel::SetTextStyle(TBevelCut Value) {
    if (textStyle_ != Value) {
        textStyle_ = Value;
        if (active_)
            UpdateMemoryImage();
        update();
    }
}

void TSecretPanel::resizeEvent(QResizeEvent* event) {
    TCustomPanel::resizeEvent(event);
    if (active_)
        UpdateMemoryImage();
}

void TSecretPanel::changeEvent(QEvent* event) {
    TCustomPanel::changeEvent(event);
    if (active_ && (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange))
        UpdateMemoryImage();
}

void TSecretPanel::RecalcDrawRect() {
    int inflate = BorderWidth();
    if (BevelOuter() != bvNone)
        inflate += BevelWidth();
    if (BevelInner() != bvNone)
        inflate += BevelWidth();
    const QRect client = ClientRect();
    paintRect_ = client.adjusted(inflate, inflate, -inflate, -inflate);
    const int textInset = inflate + 3;
    textRect_ = client.adjusted(textInset, textInset, -textInset, -textInset);
    const int gw = glyph_.width();
    const int gh = glyph_.height();
    switch (glyphLayout_) {
    case glGlyphLeft:
    case glGlyphRight: {
        const int y = std::max(textRect_.top(), textRect_.top() + (textRect_.height() - gh) / 2);
        if (glyphLayout_ == glGlyphLeft) {
            glyphOrigin_ = QPoint(textRect_.left() + (gw > 0 ? 3 : 0), y);
            if (gw > 0)
                textRect_.setLeft(glyphOrigin_.x() + gw + inflate + 3);
        } else {
            glyphOrigin_ = QPoint(textRect_.right() + 1 - gw - (gw > 0 ? 3 : 0), y);
            if (gw > 0)
                textRect_.setRight(glyphOrigin_.x() - inflate - 3 - 1);
        }
        break;
    }
    case glGlyphTop:
    case glGlyphBottom: {
        const int x = std::max(textRect_.left(), textRect_.left() + (textRect_.width() - gw) / 2);
        if (glyphLayout_ == glGlyphTop) {
            glyphOrigin_ = QPoint(x, textRect_.top() + (gh > 0 ? 3 : 0));
            if (gh > 0)
                textRect_.setTop(glyphOrigin_.y() + gh + inflate + 6);
        } else {
            glyphOrigin_ = QPoint(x, textRect_.bottom() + 1 - gh - (gh > 0 ? 3 : 0));
            if (gh > 0)
                textRect_.setBottom(glyphOrigin_.y() - inflate - 6 - 1);
        }
        break;
    }
    }
}

void TSecretPanel::UpdateMemoryImage() {
    firstLine_ = 0;
    while (firstLine_ < lines_.size() && lines_[firstLine_].trimmed().isEmpty())
        ++firstLine_;
    const QFontMetrics metrics(font());
    lineHeight_ = metrics.height() + metrics.leading() + (textStyle_ != bvNone ? 1 : 0);
    RecalcDrawRect();
    if (scrollDirection_ == sdVertical) {
        scrollLength_ = textRect_.height() + int(lines_.size() - firstLine_) * lineHeight_;
    } else {
        int widest = 0;
        for (qsizetype i = firstLine_; i < lines_.size(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(lines_[i]));
        scrollLength_ = widest + textRect_.width();
    }
    memoryImage_ = textRect_.isEmpty()
                       ? QImage()
                       : QImage(textRect_.size(), QImage::Format_ARGB32_Premultiplied);
    // Without lines the text is never painted, yet the image is shown while active.
    if (!memoryImage_.isNull()) {
        QPainter painter(&memoryImage_);
        PaintMemoryBackground(painter);
    }
    PaintText();
}

void TSecretPanel::PaintMemoryBackground(QPainter& painter) {
    painter.save();
    painter.translate(-textRect_.topLeft());
    PaintClient(painter, paintRect_);
    painter.restore();
}

void TSecretPanel::PaintClient(QPainter& Canvas, const QRect& Rect) {
    if (OnPaintClient)
        OnPaintClient(this, Canvas, Rect);
    else
        Canvas.fillRect(Rect, platform::ToQColor(Color()));
}

void TSecretPanel::PaintText() {
    if (lines_.isEmpty() || memoryImage_.isNull())
        return;
    QPainter painter(&memoryImage_);
    PaintMemoryBackground(painter);
    painter.setFont(font());
    const int w = memoryImage_.width();
    const int h = memoryImage_.height();
    QRect line = scrollDirection_ == sdVertical
                     ? QRect(0, h - scrollPos_, w, lineHeight_)
                     : QRect(layoutDirection() == Qt::RightToLeft ? scrollPos_ - w : w - scrollPos_,
                             0, w, lineHeight_);
    const int flags = AlignmentFlags(alignment_) | Qt::TextSingleLine | Qt::TextExpandTabs |
                      Qt::TextDontClip | Qt::AlignTop;
    const QColor text = palette().color(QPalette::WindowText);
    for (qsizetype i = firstLine_; i <= lines_.size() && line.top() < h; ++i) {
        // The line after the last is drawn empty, so the roll ends on a blank.
        const QString s = i < lines_.size() ? lines_[i] : QString();
        if (textStyle_ == bvLowered || textStyle_ == bvRaised) {
            const int shift = textStyle_ == bvLowered ? 1 : -1;
            painter.setPen(platform::ToQColor(platform::clBtnHighlight));
            painter.drawText(line.translated(shift, shift), flags, s);
        }
        painter.setPen(text);
        painter.drawText(line, flags, s);
        line.translate(0, lineHeight_);
    }
    painter.end();
    update(textRect_);
}

void TSecretPanel::TimerExpired() {
    if (scrollPos_ < scrollLength_) {
        ++scrollPos_;
        PaintText();
    } else if (cycled_) {
        scrollPos_ = 0;
        PaintText();
    } else {
        Stop();
    }
}

void TSecretPanel::Paint(QPainter& painter) {
    QRect rect = ClientRect();
    PaintFrame(painter, rect);
    painter.save();
    painter.setClipRect(rect);
    PaintClient(painter, rect);
    painter.restore();
    if (!active_)
        return;
    if (!glyph_.isNull())
        painter.drawPixmap(glyphOrigin_, glyph_);
    if (!memoryImage_.isNull())
        painter.drawImage(textRect_.topLeft(), memoryImage_);
}
