// Search, the find and replace dialogs, and printing.

#include "KxRichEdit.h"

#include "controls/Printer.h"

#include <QAbstractTextDocumentLayout>
#include <QDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace {

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The character at i, or none outside the text.
QChar At(const QString& text, qsizetype i) {
    return i >= 0 && i < text.size() ? text[i] : QChar();
}

bool WholeWord(QChar before, QChar after) {
    return !IsWordChar(before) && !IsWordChar(after);
}

struct Search {
    QString what;
    Qt::CaseSensitivity sensitivity;
    bool wholeWord;
    bool backward;
    qsizetype start;
    // Downwards a match must end by it, upwards begin at it or after.
    qsizetype limit;
};

// The matches that a search repeated from its start, each match replaced before the next search,
// meets (at most `count`), in that order: downwards each search begins after the previous
// replacement, upwards before it. A whole-word test beside a replaced match sees the
// replacement's edge.
std::vector<qsizetype> SuccessiveMatches(const QString& text, const Search& search,
                                         const QString& replacement, std::size_t count) {
    std::vector<qsizetype> matches;
    const qsizetype n = search.what.size();
    if (n == 0)
        return matches;
    // What stands beside the edge of the last replaced match that the next match may touch.
    QChar besideLast;
    if (!search.backward) {
        for (qsizetype from = search.start; matches.size() < count;) {
            const qsizetype at = text.indexOf(search.what, from, search.sensitivity);
            if (at < 0 || at + n > search.limit)
                break;
            const bool touching = !matches.empty() && at == matches.back() + n;
            const QChar before = touching ? besideLast : At(text, at - 1);
            if (search.wholeWord && !WholeWord(before, At(text, at + n))) {
                from = at + 1;
                continue;
            }
            matches.push_back(at);
            besideLast = replacement.isEmpty() ? before : replacement.back();
            from = at + n;
        }
        return matches;
    }
    for (qsizetype from = search.start - n; from >= 0 && matches.size() < count;) {
        const qsizetype at = text.lastIndexOf(search.what, from, search.sensitivity);
        if (at < search.limit)
            break;
        const bool touching = !matches.empty() && at + n == matches.back();
        const QChar after = touching ? besideLast : At(text, at + n);
        if (search.wholeWord && !WholeWord(At(text, at - 1), after)) {
            from = at - 1;
            continue;
        }
        matches.push_back(at);
        besideLast = replacement.isEmpty() ? after : replacement.front();
        from = at - n;
    }
    return matches;
}

} // namespace

int TKxCustomRichEdit::FindText(const QString& SearchStr, int StartPos, int Length,
                                TRichSearchTypes Options) {
    const QString text = GetTextRange(0, -1);
    const qsizetype start = std::clamp<qsizetype>(StartPos, 0, text.size());
    const qsizetype span = std::abs(qint64(Length));
    const bool backward = Options & stBackward;
    const Search search{SearchStr,
                        (Options & stMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive,
                        bool(Options & stWholeWord),
                        backward,
                        start,
                        backward ? std::max<qsizetype>(0, start - span)
                                 : std::min<qsizetype>(text.size(), start + span)};
    const std::vector<qsizetype> found = SuccessiveMatches(text, search, {}, 1);
    if (found.empty())
        return -1;
    if (Options & stSetSelection)
        SetSelection(int(found[0]), int(found[0] + SearchStr.size()), true);
    return int(found[0]);
}

void TKxCustomRichEdit::SetUpFindDialog(TFindDialog& dialog, const QString& searchStr) {
    if (!searchStr.isEmpty())
        dialog.FindText = searchStr;
    dialog.OnFind = [this](QObject* sender) {
        FindEditText(*static_cast<TFindDialog*>(sender), true, true);
    };
    dialog.OnClose = [this](QObject* sender) {
        CloseFindDialog(static_cast<TFindDialog*>(sender));
    };
}

TFindDialog* TKxCustomRichEdit::FindDialog(const QString& SearchStr) {
    if (!findDialog_) {
        findDialog_ = new TFindDialog(this);
        if (replaceDialog_)
            findDialog_->FindText = replaceDialog_->FindText;
    }
    SetUpFindDialog(*findDialog_, SearchStr);
    findDialog_->Execute();
    return findDialog_;
}

TReplaceDialog* TKxCustomRichEdit::ReplaceDialog(const QString& SearchStr,
                                                 const QString& ReplaceStr) {
    if (!replaceDialog_) {
        replaceDialog_ = new TReplaceDialog(this);
        if (findDialog_)
            replaceDialog_->FindText = findDialog_->FindText;
    }
    SetUpFindDialog(*replaceDialog_, SearchStr);
    if (!ReplaceStr.isEmpty())
        replaceDialog_->ReplaceText = ReplaceStr;
    replaceDialog_->OnReplace = [this](QObject*) { ReplaceEvent(*replaceDialog_); };
    replaceDialog_->Execute();
    return replaceDialog_;
}

bool TKxCustomRichEdit::FindEditText(TFindDialog& dialog, bool adjustPos, bool events) {
    TRichSearchTypes options = stSetSelection;
    const TCharRange sel = GetSelection();
    int start = 0;
    int length = 0;
    if (dialog.Options & frDown) {
        start = sel.cpMax;
        length = GetTextLen() - start + 1;
    } else {
        options |= stBackward;
        start = sel.cpMin;
        length = start + 1;
    }
    if (dialog.Options & frMatchCase)
        options |= stMatchCase;
    if (dialog.Options & frWholeWord)
        options |= stWholeWord;
    const bool found = FindText(dialog.FindText, start, length, options) >= 0;
    if (!dialog.FindText.isEmpty())
        lastFindDialog_ = &dialog;
    if (!found && events)
        TextNotFound(&dialog);
    else if (found && adjustPos)
        AdjustFindDialogPosition(dialog);
    return found;
}

void TKxCustomRichEdit::ReplaceEvent(TReplaceDialog& dialog) {
    if (dialog.Options & frReplaceAll) {
        ReplaceAll(dialog);
        return;
    }
    // The match on show is replaced first, as every replace dialog does.
    const Qt::CaseSensitivity sensitivity =
        (dialog.Options & frMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (SelLength() > 0 && SelText().compare(dialog.FindText, sensitivity) == 0)
        SetSelText(dialog.ReplaceText);
    FindEditText(dialog, true, true);
}

// One pass over the text finds every match the dialog's repeated search would replace; the
// replacements then go in from the last to the first, so each match keeps its position.
void TKxCustomRichEdit::ReplaceAll(TReplaceDialog& dialog) {
    const QString text = GetTextRange(0, -1);
    const TCharRange sel = GetSelection();
    const bool down = dialog.Options & frDown;
    const Search search{dialog.FindText,
                        (dialog.Options & frMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive,
                        bool(dialog.Options & frWholeWord),
                        !down,
                        down ? sel.cpMax : sel.cpMin,
                        down ? text.size() : 0};
    std::vector<qsizetype> matches = SuccessiveMatches(text, search, dialog.ReplaceText,
                                                       std::numeric_limits<std::size_t>::max());
    if (!dialog.FindText.isEmpty())
        lastFindDialog_ = &dialog;
    if (matches.empty()) {
        TextNotFound(&dialog);
        return;
    }
    {
        ChangeMute mute(*this);
        struct SetAside {
            TNotifyEvent& event;
            TNotifyEvent kept;
            ~SetAside() { event = std::move(kept); }
        } selectionChange{OnSelectionChange, std::exchange(OnSelectionChange, nullptr)};
        const qsizetype n = dialog.FindText.size();
        const qsizetype last = matches.back();
        if (down)
            std::reverse(matches.begin(), matches.end());
        QTextCursor c(document());
        c.beginEditBlock();
        int length = 0;
        for (const qsizetype at : matches) {
            c.setPosition(int(at));
            c.setPosition(int(at + n), QTextCursor::KeepAnchor);
            length = InsertAtCursor(c, dialog.ReplaceText);
        }
        c.endEditBlock();
        // The last replacement stays selected, as the repeated search leaves it.
        const qsizetype shift = down ? qsizetype(matches.size() - 1) * (length - n) : 0;
        SetSelection(int(last + shift), int(last + shift + length), true);
    }
    AdjustFindDialogPosition(dialog);
    if (OnChange)
        OnChange(this);
    SelectionChange();
}

bool TKxCustomRichEdit::CanFindNext() const {
    return lastFindDialog_ && !lastFindDialog_->FindText.isEmpty();
}

bool TKxCustomRichEdit::FindNext() {
    return CanFindNext() && FindEditText(*lastFindDialog_, false, true);
}

void TKxCustomRichEdit::TextNotFound(TFindDialog* Dialog) {
    if (OnTextNotFound)
        OnTextNotFound(this, Dialog->FindText);
}

void TKxCustomRichEdit::CloseFindDialog(TFindDialog* Dialog) {
    if (OnCloseFindDialog)
        OnCloseFindDialog(this, Dialog);
}

// Keeps the dialog off the match: above it when there is room, else below.
void TKxCustomRichEdit::AdjustFindDialogPosition(TFindDialog& dialog) {
    QDialog* window = dialog.Window();
    if (!window)
        return;
    const TCharRange sel = GetSelection();
    const QPoint topLeft = viewport()->mapToGlobal(GetCharPos(sel.cpMin));
    const QPoint bottomRight = viewport()->mapToGlobal(GetCharPos(sel.cpMax)) + QPoint(0, 20);
    QRect rect = window->frameGeometry();
    if (!rect.contains(topLeft) && !rect.contains(bottomRight))
        return;
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->geometry().height() : 0;
    if (rect.height() + 20 < topLeft.y())
        rect.moveBottom(topLeft.y() - 20);
    else if (screenHeight > topLeft.y() + rect.height())
        rect.moveTop(topLeft.y() + 40);
    dialog.SetPosition(rect.topLeft());
}

void TKxCustomRichEdit::Print(const QString& Caption) {
    QPrinter& printer = printing::Printer();
    printer.setDocName(Caption);
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error(
            QStringLiteral("Impossibile avviare la stampa di \"%1\".").arg(Caption).toStdString());
    const std::unique_ptr<QTextDocument> pages(document()->clone());
    pages->documentLayout()->setPaintDevice(&printer);
    const QRect area =
        PageRect.isEmpty()
            ? QRect(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size())
            : PageRect;
    pages->setPageSize(area.size());
    const int count = std::max(1, pages->pageCount());
    for (int page = 0; page < count; ++page) {
        if (page > 0)
            printer.newPage();
        const QRectF slice(0, qreal(page) * area.height(), area.width(), area.height());
        painter.save();
        painter.translate(area.left(), area.top() - slice.top());
        pages->drawContents(&painter, slice);
        painter.restore();
    }
    painter.end();
}
