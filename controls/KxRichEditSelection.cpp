// The rich edit's selection by mouse: the selection bar left of the text, and drags that
// select whole words.
#include "KxRichEdit.h"

#include "platform/ControlEvents.h"
#include "storage/Kxconst.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>

namespace {

constexpr int SelectionBarWidth = 8;

struct WordRange {
    int start;
    int end;
};

WordRange wordAround(QTextDocument* document, int position) {
    QTextCursor cursor(document);
    cursor.setPosition(position);
    cursor.movePosition(QTextCursor::StartOfWord);
    const int start = cursor.position();
    cursor.movePosition(QTextCursor::EndOfWord);
    return {start, std::max(cursor.position(), position)};
}

bool isLeftPress(const QEvent* event) {
    return (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) &&
           static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
}

} // namespace

void TKxCustomRichEdit::SetSelectionBar(bool value) {
    selectionBar_ = value;
    setViewportMargins(value ? SelectionBarWidth : 0, 0, 0, 0);
    // The bar shows the text's background.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    if (value) {
        static const QCursor arrow = RightArrowCursor();
        setCursor(arrow);
        // The scroll bars would take it from the control.
        verticalScrollBar()->setCursor(Qt::ArrowCursor);
        horizontalScrollBar()->setCursor(Qt::ArrowCursor);
    } else {
        unsetCursor();
    }
}

bool TKxCustomRichEdit::InSelectionBar(const QPoint& pos) const {
    const QRect text = viewport()->geometry();
    return selectionBar_ && pos.x() < text.left() && pos.x() >= text.left() - SelectionBarWidth &&
           pos.y() >= text.top() && pos.y() <= text.bottom();
}

// The line with its break, or the paragraph with its break.
void TKxCustomRichEdit::SelectLineAt(int viewportY, bool paragraph) {
    QTextCursor cursor = cursorForPosition(QPoint(0, viewportY));
    cursor.movePosition(paragraph ? QTextCursor::StartOfBlock : QTextCursor::StartOfLine);
    cursor.movePosition(paragraph ? QTextCursor::EndOfBlock : QTextCursor::EndOfLine,
                        QTextCursor::KeepAnchor);
    if (cursor.atBlockEnd())
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

bool TKxCustomRichEdit::event(QEvent* event) {
    if (isLeftPress(event)) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        if (InSelectionBar(pos)) {
            setFocus(Qt::MouseFocusReason);
            SelectLineAt(pos.y() - viewport()->y(), event->type() == QEvent::MouseButtonDblClick);
            return true;
        }
    }
    return QTextEdit::event(event);
}

// The edit's own handling may fire an event that deletes the edit: nothing follows it then.
bool TKxCustomRichEdit::viewportEvent(QEvent* event) {
    // A press in the selection starts dragging the text, not a new selection.
    bool onSelection = false;
    if (event->type() == QEvent::MouseButtonPress) {
        const QTextCursor before = textCursor();
        const int at =
            cursorForPosition(static_cast<QMouseEvent*>(event)->position().toPoint()).position();
        onSelection =
            before.hasSelection() && at >= before.selectionStart() && at < before.selectionEnd();
    }
    bool handled = false;
    if (!platform::Survives(this, *event, [&] { handled = QTextEdit::viewportEvent(event); }))
        return true;
    if (event->type() == QEvent::MouseButtonPress)
        dragAnchor_ = isLeftPress(event) && !onSelection ? textCursor().anchor() : -1;
    else if (event->type() == QEvent::MouseMove &&
             (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton))
        ExtendByWords();
    else if (event->type() == QEvent::MouseButtonRelease)
        dragAnchor_ = -1;
    return handled;
}

void TKxCustomRichEdit::ExtendByWords() {
    if (!WordSelection || dragAnchor_ < 0)
        return;
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    const WordRange first = wordAround(document(), dragAnchor_);
    if (position >= first.start && position <= first.end) {
        if (cursor.anchor() == dragAnchor_)
            return;
        cursor.setPosition(dragAnchor_);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
    } else {
        const WordRange last = wordAround(document(), position);
        const bool forward = position > dragAnchor_;
        cursor.setPosition(forward ? first.start : first.end);
        cursor.setPosition(forward ? last.end : last.start, QTextCursor::KeepAnchor);
    }
    setTextCursor(cursor);
}
