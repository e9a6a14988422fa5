#include "KxRichEdit.h"

#include "platform/ControlEvents.h"
#include "platform/ExceptionDisplay.h"
#include "platform/MessageBox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <atomic>

namespace {

// The edits the protect events are told about, by the messages that made them.
constexpr unsigned WM_KEYDOWN = 0x100;
constexpr unsigned WM_CHAR = 0x102;
constexpr unsigned WM_IME_COMPOSITION = 0x10F;
constexpr unsigned WM_CUT = 0x300;
constexpr unsigned WM_PASTE = 0x302;

// What the user may type at most when MaxLength is 0.
constexpr int DefaultTextLimit = 0xFFFFFF;

// The form's property naming its control that is active for an embedded object.
constexpr char ActiveOleControlProperty[] = "ActiveOleControl";

// What clipboard data made by a rich edit carries: its maker and what it holds.
constexpr char ClipboardSourceProperty[] = "KxRichEditSource";
constexpr char ClipboardObjectsProperty[] = "KxRichEditObjects";
constexpr char ClipboardCharsProperty[] = "KxRichEditChars";

quint64 NextClipboardId() {
    static std::atomic<quint64> last{0};
    return ++last;
}

QString FromRaw(QString text) {
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    return text;
}

// CR LF, LF and CR each one paragraph break.
QString NormalisedBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return text;
}

struct UrlSpan {
    int start;
    int length;
};

// URLs by scheme and "www.", without the punctuation that ends a sentence.
std::vector<UrlSpan> UrlSpans(const QString& text) {
    static const QRegularExpression url(
        QStringLiteral("\\b(?:(?:https?|ftp|file|mailto|news|nntp|telnet|gopher|wais|prospero):"
                       "|www\\.)[^\\s<>\"]+"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<UrlSpan> spans;
    for (auto it = url.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        int length = int(match.capturedLength());
        while (length > 0 &&
               QStringLiteral(".,;:!?)'").contains(text[match.capturedStart() + length - 1]))
            --length;
        spans.push_back({int(match.capturedStart()), length});
    }
    return spans;
}

// Marks URLs for display only: the document, its undo and its formats stay untouched.
class UrlHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override {
        QTextCharFormat link;
        link.setFontUnderline(true);
        link.setForeground(QApplication::palette().color(QPalette::Link));
        for (const UrlSpan& span : UrlSpans(text))
            setFormat(span.start, span.length, link);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------

TKxCustomRichEdit::TKxCustomRichEdit(QWidget* parent)
    : QTextEdit(parent), SelAttributes(this, atSelected), DefAttributes(this, atDefaultText),
      WordAttributes(this, atWord), Paragraph(this), Lines(this), clipboardId_(NextClipboardId()) {
    resize(185, 89);
    setTabChangesFocus(true);
    defaultRecord_ = richtext::CharOfFont(font(), platform::clWindowText);
    defaultRecord_.mask = richtext::CFM_ALL;
    defaultRecord_.effects |= richtext::CFE_AUTOBACKCOLOR;
    ApplyDefaultFormat();
    ApplyScrollBars();
    SetSelectionBar(true);
    SetHideSelection(true);
    urlHighlighter_ = new UrlHighlighter(document());
    connect(this, &QTextEdit::textChanged, this, &TKxCustomRichEdit::TextChanged);
    const auto selectionMoved = [this] {
        const TCharRange now = GetSelection();
        if (now.cpMin == lastSelection_.cpMin && now.cpMax == lastSelection_.cpMax)
            return;
        lastSelection_ = now;
        SelectionChange();
    };
    connect(this, &QTextEdit::cursorPositionChanged, this, selectionMoved);
    connect(this, &QTextEdit::selectionChanged, this, selectionMoved);
    connect(document(), &QTextDocument::undoCommandAdded, this, [this] {
        undoKinds_.push_back(pendingUndoKind_);
        redoKinds_.clear();
        // The document is still inside the edit that added the step: trim once it is done.
        if (int(undoKinds_.size()) > undoLimit_ && !undoTrimQueued_) {
            undoTrimQueued_ = true;
            QMetaObject::invokeMethod(this, &TKxCustomRichEdit::TrimUndo, Qt::QueuedConnection);
        }
    });
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this](const QSizeF& size) {
                if (!trimmingUndo_)
                    RequestSize(QRect(0, 0, int(size.width()), int(size.height())));
            });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TKxCustomRichEdit::AskToKeepClipboard);
}

// Here only the event is asked: a subclass's own SaveClipboard has already gone.
TKxCustomRichEdit::~TKxCustomRichEdit() {
    if (qApp)
        AskToKeepClipboard();
}

// ----- selection and text -----

int TKxCustomRichEdit::GetTextLen() const {
    return document()->characterCount() - 1;
}

TCharRange TKxCustomRichEdit::GetSelection() const {
    const QTextCursor c = textCursor();
    return {c.selectionStart(), c.selectionEnd()};
}

void TKxCustomRichEdit::SetCursorKeepingScroll(const QTextCursor& cursor) {
    const int h = horizontalScrollBar()->value();
    const int v = verticalScrollBar()->value();
    setTextCursor(cursor);
    horizontalScrollBar()->setValue(h);
    verticalScrollBar()->setValue(v);
}

void TKxCustomRichEdit::SetSelection(int StartPos, int EndPos, bool ScrollCaret) {
    const int length = GetTextLen();
    if (EndPos < 0)
        EndPos = length;
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(StartPos, 0, length));
    c.setPosition(std::clamp(EndPos, 0, length), QTextCursor::KeepAnchor);
    if (ScrollCaret)
        setTextCursor(c);
    else
        SetCursorKeepingScroll(c);
}

int TKxCustomRichEdit::SelStart() const {
    return GetSelection().cpMin;
}

void TKxCustomRichEdit::SetSelStart(int Pos) {
    SetSelection(Pos, Pos, false);
}

int TKxCustomRichEdit::SelLength() const {
    const TCharRange r = GetSelection();
    return r.cpMax - r.cpMin;
}

void TKxCustomRichEdit::SetSelLength(int Len) {
    const int start = SelStart();
    SetSelection(start, start + std::max(Len, 0), true);
}

QString TKxCustomRichEdit::SelText() const {
    return FromRaw(textCursor().selectedText());
}

int TKxCustomRichEdit::InsertAtCursor(QTextCursor& cursor, const QString& text) {
    const QString normalised = NormalisedBreaks(text);
    cursor.insertText(normalised);
    return int(normalised.size());
}

void TKxCustomRichEdit::SetSelText(const QString& text) {
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    int length = 0;
    // A history of one step keeps only typing.
    if (undoLimit_ > 1)
        length = InsertAtCursor(c, text);
    else
        EditWithoutUndo([&] { length = InsertAtCursor(c, text); });
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TKxCustomRichEdit::ReplaceRange(int from, int to, const QString& text) {
    QTextCursor c(document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    linesUpdating_ = true;
    EditWithoutUndo([&] { InsertAtCursor(c, text); });
    linesUpdating_ = false;
    // The caret stays after the written text, as a replaced selection leaves it.
    SetCursorKeepingScroll(c);
}

void TKxCustomRichEdit::EditWithoutUndo(const std::function<void()>& edit) {
    document()->setUndoRedoEnabled(false);
    edit();
    document()->setUndoRedoEnabled(undoLimit_ > 0);
    undoKinds_.clear();
    redoKinds_.clear();
}

QString TKxCustomRichEdit::GetTextRange(int StartPos, int EndPos) const {
    const int length = GetTextLen();
    if (EndPos < 0 || EndPos > length)
        EndPos = length;
    StartPos = std::max(StartPos, 0);
    if (StartPos >= EndPos)
        return {};
    QTextCursor c(document());
    c.setPosition(StartPos);
    c.setPosition(EndPos, QTextCursor::KeepAnchor);
    return FromRaw(c.selectedText());
}

int TKxCustomRichEdit::GetSelTextBuf(QChar* Buffer, int BufSize) const {
    if (BufSize <= 0 || !Buffer)
        return 0;
    const QString text = SelText();
    const int count = std::min(int(text.size()), BufSize - 1);
    std::copy_n(text.constData(), count, Buffer);
    Buffer[count] = QChar(0);
    return count;
}

QPoint TKxCustomRichEdit::GetCaretPos() const {
    const int end = GetSelection().cpMax;
    const int line = LineFromChar(end);
    return {end - GetLineIndex(line), line};
}

QPoint TKxCustomRichEdit::GetCharPos(int Index) const {
    QTextCursor c(document());
    c.setPosition(std::clamp(Index, 0, GetTextLen()));
    return cursorRect(c).topLeft();
}

QString TKxCustomRichEdit::WordAtCursor() const {
    const QString text = GetTextRange(0, -1);
    const int length = int(text.size());
    const auto delimiter = [&](int i) { return text[i].isSpace(); };
    const int p = SelStart();
    int start = p;
    if (p > 0) {
        if (p < length && delimiter(p)) {
            while (start > 0 && delimiter(start - 1))
                --start;
        }
        while (start > 0 && !delimiter(start - 1))
            --start;
    }
    while (start < length && delimiter(start))
        ++start;
    int end = p;
    while (end < length && !delimiter(end))
        ++end;
    return GetTextRange(start, end);
}

int TKxCustomRichEdit::LineFromChar(int Index) const {
    return document()->findBlock(std::clamp(Index, 0, GetTextLen())).blockNumber();
}

int TKxCustomRichEdit::GetLineIndex(int Line) const {
    if (Line < 0)
        Line = LineFromChar(SelStart());
    const QTextBlock block = document()->findBlockByNumber(Line);
    return block.isValid() ? block.position() : -1;
}

int TKxCustomRichEdit::GetLineLength(int CharIndex) const {
    if (CharIndex < 0)
        CharIndex = SelStart();
    return document()->findBlock(std::clamp(CharIndex, 0, GetTextLen())).length() - 1;
}

int TKxCustomRichEdit::PicturesIn(int from, int to) const {
    return int(GetTextRange(from, to).count(QChar::ObjectReplacementCharacter));
}

TRichSelectionType TKxCustomRichEdit::SelectionType() const {
    const TCharRange sel = GetSelection();
    const int pictures = PicturesIn(sel.cpMin, sel.cpMax);
    const int characters = sel.cpMax - sel.cpMin - pictures;
    TRichSelectionType type;
    if (characters > 0)
        type |= stText;
    if (characters > 1)
        type |= stMultiChar;
    if (pictures > 0)
        type |= stObject;
    if (pictures > 1)
        type |= stMultiObject;
    return type;
}

QString TKxCustomRichEdit::Text() const {
    return GetTextRange(0, -1).replace(QLatin1Char('\r'), QLatin1String("\r\n"));
}

void TKxCustomRichEdit::SelectAll() {
    SetSelection(0, -1, false);
}

bool TKxCustomRichEdit::CanPaste() const {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && canInsertFromMimeData(data);
}

bool TKxCustomRichEdit::CanUndo() const {
    return document()->isUndoAvailable();
}
bool TKxCustomRichEdit::CanRedo() const {
    return document()->isRedoAvailable();
}

TUndoName TKxCustomRichEdit::UndoName() const {
    return CanUndo() && !undoKinds_.empty() ? undoKinds_.back() : unUnknown;
}

TUndoName TKxCustomRichEdit::RedoName() const {
    return CanRedo() && !redoKinds_.empty() ? redoKinds_.back() : unUnknown;
}

void TKxCustomRichEdit::Undo() {
    if (!undoKinds_.empty()) {
        redoKinds_.push_back(undoKinds_.back());
        undoKinds_.pop_back();
    }
    undo();
}

void TKxCustomRichEdit::Redo() {
    if (!redoKinds_.empty()) {
        undoKinds_.push_back(redoKinds_.back());
        redoKinds_.pop_back();
    }
    redo();
}

void TKxCustomRichEdit::ClearUndo() {
    document()->clearUndoRedoStacks();
    undoKinds_.clear();
    redoKinds_.clear();
}

void TKxCustomRichEdit::SetUndoLimit(int value) {
    value = std::max(value, 0);
    if (value == undoLimit_)
        return;
    undoLimit_ = value;
    if (value == 0) {
        document()->setUndoRedoEnabled(false);
        undoKinds_.clear();
        redoKinds_.clear();
        return;
    }
    document()->setUndoRedoEnabled(true);
    TrimUndo();
}

// The document cannot drop its oldest steps alone, but it can drop all it could take back: the
// kept steps wait on the redo side meanwhile.
void TKxCustomRichEdit::TrimUndo() {
    undoTrimQueued_ = false;
    if (undoLimit_ == 0 || int(undoKinds_.size()) <= undoLimit_)
        return;
    QTextDocument* doc = document();
    const QSignalBlocker quiet(this);
    const QTextCursor before = textCursor();
    const int anchor = before.anchor();
    const int position = before.position();
    const int h = horizontalScrollBar()->value();
    const int v = verticalScrollBar()->value();
    const bool modified = doc->isModified();
    trimmingUndo_ = true;
    int kept = 0;
    for (; kept < undoLimit_ && doc->isUndoAvailable(); ++kept)
        doc->undo();
    doc->clearUndoRedoStacks(QTextDocument::UndoStack);
    for (int i = 0; i < kept; ++i)
        doc->redo();
    trimmingUndo_ = false;
    doc->setModified(modified);
    undoKinds_.erase(undoKinds_.begin(), undoKinds_.end() - undoLimit_);
    QTextCursor after(doc);
    after.setPosition(anchor);
    after.setPosition(position, QTextCursor::KeepAnchor);
    setTextCursor(after);
    horizontalScrollBar()->setValue(h);
    verticalScrollBar()->setValue(v);
}

void TKxCustomRichEdit::StopGroupTyping() {
    stopGroupTyping_ = true;
}

void TKxCustomRichEdit::Clear() {
    CloseObjects();
    clear();
    undoKinds_.clear();
    redoKinds_.clear();
    ApplyDefaultFormat();
    SetModified(false);
}

QWidget* ActiveOleControl(const QWidget* form) {
    return form ? form->property(ActiveOleControlProperty).value<QPointer<QWidget>>().data()
                : nullptr;
}

void TKxCustomRichEdit::SetUIActive(bool Active) {
    QWidget* form = window();
    if (form == this)
        return;
    platform::RunGuarded([&] {
        if (Active) {
            // Only rich edits become active, and one told to deactivate does nothing: the one
            // before is not told.
            form->setProperty(ActiveOleControlProperty,
                              QVariant::fromValue(QPointer<QWidget>(this)));
            if (AllowInPlace && isVisible() && isEnabled())
                setFocus();
            return;
        }
        if (ActiveOleControl(form) == this)
            form->setProperty(ActiveOleControlProperty, QVariant());
        if (form->focusWidget() == this && AllowInPlace) {
            setFocus();
            SelectionChange();
        }
    });
}

void TKxCustomRichEdit::ScrollPageDown() {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
}

// ----- properties -----

void TKxCustomRichEdit::SetWordWrap(bool value) {
    wordWrap_ = value;
    setLineWrapMode(value ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    ApplyScrollBars();
}

void TKxCustomRichEdit::SetScrollBars(TScrollStyle value) {
    scrollBars_ = value;
    ApplyScrollBars();
}

void TKxCustomRichEdit::SetHideScrollBars(bool value) {
    hideScrollBars_ = value;
    ApplyScrollBars();
}

void TKxCustomRichEdit::ApplyScrollBars() {
    const Qt::ScrollBarPolicy shown =
        hideScrollBars_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
    const bool vertical = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    const bool horizontal = (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap_;
    setVerticalScrollBarPolicy(vertical ? shown : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? shown : Qt::ScrollBarAlwaysOff);
}

bool TKxCustomRichEdit::Modified() const {
    return document()->isModified();
}

void TKxCustomRichEdit::SetModified(bool value) {
    document()->setModified(value);
}

void TKxCustomRichEdit::SetColor(TColor value) {
    color_ = value;
    QPalette p = palette();
    p.setColor(QPalette::Base, platform::ToQColor(value));
    setPalette(p);
}

void TKxCustomRichEdit::SetAlignment(TParaAlignment value) {
    alignment_ = value;
    Paragraph.SetAlignment(value);
}

void TKxCustomRichEdit::SetWantTabs(bool value) {
    wantTabs_ = value;
    setTabChangesFocus(!value);
}

void TKxCustomRichEdit::SetHideSelection(bool value) {
    hideSelection_ = value;
    viewport()->update();
}

// Without the focus a hidden selection is not drawn; the text keeps its own colours.
void TKxCustomRichEdit::paintEvent(QPaintEvent* event) {
    if (!hideSelection_ || hasFocus() || !textCursor().hasSelection()) {
        QTextEdit::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QRect clip = event->rect().translated(offset);
    painter.translate(-offset);
    painter.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    context.palette = palette();
    document()->documentLayout()->draw(&painter, context);
}

void TKxCustomRichEdit::SetAutoURLDetect(bool value) {
    autoURLDetect_ = value;
    urlHighlighter_->setDocument(value ? document() : nullptr);
}

void TKxCustomRichEdit::SetLangOptions(TRichLangOptions value) {
    langOptions_ = value;
    ApplyDefaultFormat();
}

void TKxCustomRichEdit::ApplyDefaultFormat() {
    const richtext::CharFormat& r = defaultRecord_;
    QFont f = font();
    if (!r.faceName.isEmpty())
        f.setFamilies({r.faceName});
    if (r.height > 0)
        f.setPointSizeF(r.height / 20.0);
    f.setBold(r.effects & richtext::CFE_BOLD);
    f.setItalic(r.effects & richtext::CFE_ITALIC);
    f.setUnderline(r.effects & richtext::CFE_UNDERLINE);
    f.setStrikeOut(r.effects & richtext::CFE_STRIKEOUT);
    // The text's formats take the strategy from here, so this decides for all of it.
    const int merging = langOptions_ & rlAutoFont ? 0 : QFont::NoFontMerging;
    f.setStyleStrategy(QFont::StyleStrategy((f.styleStrategy() & ~QFont::NoFontMerging) | merging));
    document()->setDefaultFont(f);
    if (GetTextLen() == 0) {
        QTextCharFormat format;
        richtext::WriteChar(format, defaultRecord_, defaultRecord_);
        QTextCursor c = textCursor();
        c.setCharFormat(format);
        SetCursorKeepingScroll(c);
    }
}

// ----- events -----

void TKxCustomRichEdit::TextChanged() {
    if (changeMute_ == 0 && OnChange)
        OnChange(this);
}

void TKxCustomRichEdit::SelectionChange() {
    if (OnSelectionChange)
        OnSelectionChange(this);
}

void TKxCustomRichEdit::RequestSize(const QRect& rect) {
    if (OnResizeRequest)
        OnResizeRequest(this, rect);
}

bool TKxCustomRichEdit::SaveClipboard(int NumObjects, int NumChars) {
    bool save = true;
    if (OnSaveClipboard)
        OnSaveClipboard(this, NumObjects, NumChars, save);
    return save;
}

void TKxCustomRichEdit::AskToKeepClipboard() {
    QClipboard* clipboard = QApplication::clipboard();
    const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
    if (clipboardAsked_ || !data || data->property(ClipboardSourceProperty) != clipboardId_)
        return;
    clipboardAsked_ = true;
    if (!SaveClipboard(data->property(ClipboardObjectsProperty).toInt(),
                       data->property(ClipboardCharsProperty).toInt()))
        clipboard->clear(QClipboard::Clipboard);
}

bool TKxCustomRichEdit::ProtectChange(const TMessage& message, int StartPos, int EndPos) {
    bool allow = false;
    if (OnProtectChangeEx)
        OnProtectChangeEx(this, message, StartPos, EndPos, allow);
    else if (OnProtectChange)
        OnProtectChange(this, StartPos, EndPos, allow);
    return allow;
}

void TKxCustomRichEdit::URLClick(const QString& URLText, TMouseButton Button) {
    if (OnURLClick)
        OnURLClick(this, URLText, Button);
}

bool TKxCustomRichEdit::RangeProtected(int from, int to) const {
    if (from == to) {
        QTextCursor c(document());
        c.setPosition(from);
        const QTextCursor own = textCursor();
        const QTextCharFormat format =
            own.position() == from && !own.hasSelection() ? own.charFormat() : c.charFormat();
        return richtext::ReadChar(format, defaultRecord_).effects & richtext::CFE_PROTECTED;
    }
    const richtext::CharFormat r = richtext::ReadCharRange(*document(), from, to, defaultRecord_);
    return (r.effects & richtext::CFE_PROTECTED) || !(r.mask & richtext::CFM_PROTECTED);
}

bool TKxCustomRichEdit::MayChange(unsigned message, int from, int to) {
    if (!RangeProtected(from, to))
        return true;
    return ProtectChange(TMessage{message, 0, 0}, from, to);
}

bool TKxCustomRichEdit::FitsMaxLength(int removed, int added) const {
    const int limit = maxLength_ > 0 ? maxLength_ : DefaultTextLimit;
    return GetTextLen() - removed + added <= limit;
}

void TKxCustomRichEdit::keyPressEvent(QKeyEvent* event) {
    Word key = platform::VirtualKeyOf(*event);
    if (OnKeyDown && key != 0) {
        if (!platform::Survives(this, *event,
                                [&] { OnKeyDown(this, key, platform::ShiftStateOf(*event)); }))
            return;
        if (key == 0) {
            event->accept();
            return;
        }
    }
    if (key == 13 && !WantReturns) {
        event->ignore();
        return;
    }
    // A protected range asks its event, which may destroy the edit.
    bool mayEdit = true;
    if (!isReadOnly() &&
        (!platform::Survives(this, *event, [&] { mayEdit = KeyMayEdit(*event, key); }) || !mayEdit))
        return;
    const bool group = stopGroupTyping_;
    stopGroupTyping_ = false;
    QTextCursor block = textCursor();
    if (group)
        block.beginEditBlock();
    QTextEdit::keyPressEvent(event);
    if (group)
        block.endEditBlock();
    pendingUndoKind_ = unUnknown;
}

bool TKxCustomRichEdit::KeyMayEdit(const QKeyEvent& event, Word key) {
    const TCharRange sel = GetSelection();
    const bool empty = sel.cpMin == sel.cpMax;
    if (event.matches(QKeySequence::Cut)) {
        pendingUndoKind_ = unCut;
        return empty || MayChange(WM_CUT, sel.cpMin, sel.cpMax);
    }
    if (key == 8 || key == 46) {
        pendingUndoKind_ = unDelete;
        const int from = empty && key == 8 ? std::max(sel.cpMin - 1, 0) : sel.cpMin;
        const int to = empty && key == 46 ? std::min(sel.cpMax + 1, GetTextLen()) : sel.cpMax;
        return from == to || MayChange(WM_KEYDOWN, from, to);
    }
    const QString text = event.text();
    const bool typing = key == 13 || (!text.isEmpty() && text[0].isPrint() &&
                                      !(event.modifiers() & Qt::ControlModifier));
    if (!typing)
        return true;
    pendingUndoKind_ = unTyping;
    if (!FitsMaxLength(sel.cpMax - sel.cpMin, 1)) {
        platform::Beep();
        return false;
    }
    return MayChange(WM_CHAR, sel.cpMin, sel.cpMax);
}

void TKxCustomRichEdit::inputMethodEvent(QInputMethodEvent* event) {
    const TCharRange sel = GetSelection();
    bool mayChange = true;
    if (!isReadOnly() &&
        !event->commitString().isEmpty() && (!platform::Survives(this, *event, [&] {
            mayChange = MayChange(WM_IME_COMPOSITION, sel.cpMin, sel.cpMax);
        }) || !mayChange)) {
        event->accept();
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

TCharRange TKxCustomRichEdit::LinkAt(const QPoint& viewportPos) const {
    const QPointF docPos = QPointF(viewportPos) +
                           QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int pos = document()->documentLayout()->hitTest(docPos, Qt::ExactHit);
    if (pos < 0 || pos >= GetTextLen())
        return {-1, -1};
    const QTextBlock block = document()->findBlock(pos);
    const int inBlock = pos - block.position();
    if (autoURLDetect_) {
        for (const UrlSpan& span : UrlSpans(block.text())) {
            if (inBlock >= span.start && inBlock < span.start + span.length)
                return {block.position() + span.start, block.position() + span.start + span.length};
        }
    }
    const auto isLink = [&](int at) {
        QTextCursor c(document());
        c.setPosition(at + 1);
        return richtext::ReadChar(c.charFormat(), defaultRecord_).effects & richtext::CFE_LINK;
    };
    if (!isLink(pos))
        return {-1, -1};
    int from = pos;
    int to = pos + 1;
    while (from > block.position() && isLink(from - 1))
        --from;
    while (to < block.position() + block.length() - 1 && isLink(to))
        ++to;
    return {from, to};
}

void TKxCustomRichEdit::mousePressEvent(QMouseEvent* event) {
    const TCharRange link = LinkAt(event->position().toPoint());
    if (link.cpMin >= 0) {
        linkClick_ = link;
        linkButton_ = platform::MouseButtonOf(*event);
    }
    QTextEdit::mousePressEvent(event);
}

void TKxCustomRichEdit::mouseReleaseEvent(QMouseEvent* event) {
    const TMouseButton button = platform::MouseButtonOf(*event);
    if (linkClick_.cpMin >= 0 && button == linkButton_) {
        const TCharRange link = LinkAt(event->position().toPoint());
        if (link.cpMin == linkClick_.cpMin && link.cpMax == linkClick_.cpMax &&
            !platform::Survives(this, *event,
                                [&] { URLClick(GetTextRange(link.cpMin, link.cpMax), button); }))
            return;
    }
    linkClick_ = {-1, -1};
    QTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        ShowPopupMenu(event->globalPosition().toPoint());
}

void TKxCustomRichEdit::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowPopupMenu(event->globalPos());
}

void TKxCustomRichEdit::ShowPopupMenu(QPoint screenPoint) {
    if (!PopupMenu)
        return;
    PopupMenu->PopupComponent = this;
    PopupMenu->Popup(screenPoint);
}

void TKxCustomRichEdit::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        DefAttributes.Assign(font());
}

void TKxCustomRichEdit::dropEvent(QDropEvent* event) {
    const TCharRange sel = GetSelection();
    const bool moving = event->source() == this && event->dropAction() == Qt::MoveAction;
    bool mayChange = true;
    if (moving && !platform::Survives(this, *event,
                                      [&] { mayChange = MayChange(WM_CUT, sel.cpMin, sel.cpMax); }))
        return;
    if (!mayChange) {
        event->ignore();
        return;
    }
    pendingUndoKind_ = unDragDrop;
    QTextEdit::dropEvent(event);
    pendingUndoKind_ = unUnknown;
}

// Files and HTML are refused.
bool TKxCustomRichEdit::canInsertFromMimeData(const QMimeData* source) const {
    if (source->hasImage())
        return TakesPictures() || source->hasText();
    if (source->hasUrls())
        return false;
    return source->hasFormat(RichTextMime) || source->hasText();
}

QMimeData* TKxCustomRichEdit::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    const TCharRange sel = GetSelection();
    const int pictures = PicturesIn(sel.cpMin, sel.cpMax);
    data->setText(SelText()
                      .remove(QChar::ObjectReplacementCharacter)
                      .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    AddRichText(*data);
    if (pictures == 1 && sel.cpMax - sel.cpMin == 1) {
        QTextCursor at(document());
        at.setPosition(sel.cpMax);
        data->setImageData(richtext::PictureOf(*document(), at.charFormat().toImageFormat()));
    }
    data->setProperty(ClipboardSourceProperty, clipboardId_);
    data->setProperty(ClipboardObjectsProperty, pictures);
    data->setProperty(ClipboardCharsProperty, sel.cpMax - sel.cpMin);
    clipboardAsked_ = false;
    return data;
}

bool TKxCustomRichEdit::PastePicture(const QMimeData& data, QTextCursor& cursor) {
    if (!TakesPictures() || !data.hasImage())
        return false;
    const QImage image = qvariant_cast<QImage>(data.imageData());
    if (image.isNull())
        return false;
    const int selected = cursor.selectionEnd() - cursor.selectionStart();
    if (!richtext::PictureSizeAllowed(image.size()) || !FitsMaxLength(selected, 1)) {
        platform::Beep();
        return true;
    }
    QTextCharFormat format = cursor.charFormat();
    format.merge(richtext::AddPicture(*document(), image));
    cursor.insertImage(format.toImageFormat());
    return true;
}

void TKxCustomRichEdit::insertFromMimeData(const QMimeData* source) {
    if (canInsertFromMimeData(source))
        Paste(*source, PasteKind::Richest);
}

bool TKxCustomRichEdit::Paste(const QMimeData& data, PasteKind kind) {
    const TCharRange sel = GetSelection();
    if (isReadOnly() || !MayChange(WM_PASTE, sel.cpMin, sel.cpMax))
        return false;
    if (pendingUndoKind_ == unUnknown)
        pendingUndoKind_ = unPaste;
    QTextCursor c = textCursor();
    bool done = false;
    switch (kind) {
    case PasteKind::Richest:
        done = PasteRichText(data, c) || PastePicture(data, c) || PasteText(data, c);
        break;
    case PasteKind::RichText:
    case PasteKind::RichTextWithoutObjects:
        done = PasteRichText(data, c, kind == PasteKind::RichText);
        break;
    case PasteKind::Text:
        done = PasteText(data, c);
        break;
    case PasteKind::Bitmap:
        done = PastePicture(data, c);
        break;
    }
    setTextCursor(c);
    if (pendingUndoKind_ == unPaste)
        pendingUndoKind_ = unUnknown;
    return done;
}

bool TKxCustomRichEdit::PasteText(const QMimeData& data, QTextCursor& cursor) {
    if (!data.hasText())
        return false;
    QString text = NormalisedBreaks(data.text());
    const int room = (maxLength_ > 0 ? maxLength_ : DefaultTextLimit) - GetTextLen() +
                     (cursor.selectionEnd() - cursor.selectionStart());
    text.truncate(std::max(room, 0));
    cursor.insertText(text);
    return true;
}

// ----- Lines -----

TRichEditStrings::TRichEditStrings(TKxCustomRichEdit* owner) : richEdit_(owner) {}

TRichEditStrings::~TRichEditStrings() = default;

int TRichEditStrings::Count() const {
    const QTextDocument* document = richEdit_->document();
    const int blocks = document->blockCount();
    return document->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

QString TRichEditStrings::Get(int index) const {
    const QTextBlock block = richEdit_->document()->findBlockByNumber(index);
    return block.isValid() ? block.text().left(4096) : QString();
}

void TRichEditStrings::Put(int index, const QString& text) {
    const QTextBlock block = richEdit_->document()->findBlockByNumber(index);
    if (index < 0 || !block.isValid())
        return;
    richEdit_->ReplaceRange(block.position(), block.position() + block.length() - 1, text);
}

void TRichEditStrings::Insert(int index, const QString& text) {
    if (index < 0)
        return;
    int p = richEdit_->GetLineIndex(index);
    QString inserted = text + QLatin1Char('\r');
    if (p < 0) {
        p = richEdit_->GetLineIndex(index - 1);
        if (p < 0)
            return;
        const int length = richEdit_->GetLineLength(p);
        if (length == 0)
            return;
        p += length;
        inserted = QLatin1Char('\r') + text;
    }
    richEdit_->ReplaceRange(p, p, inserted);
}

int TRichEditStrings::Add(const QString& text) {
    const int index = Count();
    Insert(index, text);
    return index;
}

void TRichEditStrings::Delete(int index) {
    const QTextBlock block = richEdit_->document()->findBlockByNumber(index);
    if (index < 0 || !block.isValid())
        return;
    const QTextBlock next = block.next();
    const int end = next.isValid() ? next.position() : block.position() + block.length() - 1;
    richEdit_->ReplaceRange(block.position(), end, QString());
}

void TRichEditStrings::Clear() {
    richEdit_->Clear();
}

void TRichEditStrings::AddStrings(const QStringList& list) {
    const TNotifyEvent saved = std::exchange(richEdit_->OnSelectionChange, nullptr);
    BeginUpdate();
    for (const QString& line : list)
        Add(line);
    EndUpdate();
    richEdit_->OnSelectionChange = saved;
}

QString TRichEditStrings::Text() const {
    QString text;
    const int count = Count();
    for (int i = 0; i < count; ++i)
        text += Get(i) + QLatin1String("\r\n");
    return text;
}

void TRichEditStrings::SetText(const QString& text) {
    TKxCustomRichEdit::ChangeMute mute(*richEdit_);
    BeginUpdate();
    Clear();
    QStringList lines = NormalisedBreaks(text).split(QLatin1Char('\r'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString& line : lines)
        Add(line);
    EndUpdate();
}

void TRichEditStrings::BeginUpdate() {
    if (updateCount_++ == 0)
        richEdit_->viewport()->setUpdatesEnabled(false);
}

void TRichEditStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) {
        richEdit_->viewport()->setUpdatesEnabled(true);
        richEdit_->viewport()->update();
    }
}
