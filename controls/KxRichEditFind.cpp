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

#include <memory>

namespace {

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool WholeWordAt(const QString& text, qsizetype at, qsizetype length) {
    return (at == 0 || !IsWordChar(text[at - 1])) &&
           (at + length >= text.size() || !IsWordChar(text[at + length]));
}

} // namespace

int TKxCustomRichEdit::FindText(const QString& SearchStr, int StartPos, int Length,
                                TRichSearchTypes Options) {
    const QString text = GetTextRange(0, -1);
    const qsizetype size = text.size();
    const qsizetype n = SearchStr.size();
    if (n == 0)
        return -1;
    const Qt::CaseSensitivity sensitivity =
        (Options & stMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const qsizetype start = std::clamp<qsizetype>(StartPos, 0, size);
    const qsizetype span = std::abs(qint64(Length));
    qsizetype found = -1;
    if (Options & stBackward) {
        // The text before StartPos, as far back as Length reaches.
        const qsizetype low = std::max<qsizetype>(0, start - span);
        for (qsizetype at = text.lastIndexOf(SearchStr, start - n, sensitivity);
             at >= low && start - n >= 0;
             at = at > 0 ? text.lastIndexOf(SearchStr, at - 1, sensitivity) : -1) {
            if (!(Options & stWholeWord) || WholeWordAt(text, at, n)) {
                found = at;
                break;
            }
        }
    } else {
        // A match must end inside the range.
        const qsizetype high = std::min<qsizetype>(size, start + span);
        for (qsizetype at = text.indexOf(SearchStr, start, sensitivity); at >= 0 && at + n <= high;
             at = text.indexOf(SearchStr, at + 1, sensitivity)) {
            if (!(Options & stWholeWord) || WholeWordAt(text, at, n)) {
                found = at;
                break;
            }
        }
    }
    if (found >= 0 && (Options & stSetSelection))
        SetSelection(int(found), int(found + n), true);
    return int(found);
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

void TKxCustomRichEdit::ReplaceAll(TReplaceDialog& dialog) {
    int replaced = 0;
    {
        ChangeMute mute(*this);
        const TNotifyEvent selectionChange = std::exchange(OnSelectionChange, nullptr);
        QTextCursor block(document());
        block.beginEditBlock();
        try {
            while (FindEditText(dialog, false, false)) {
                SetSelText(dialog.ReplaceText);
                ++replaced;
            }
        } catch (...) {
            block.endEditBlock();
            OnSelectionChange = selectionChange;
            throw;
        }
        block.endEditBlock();
        OnSelectionChange = selectionChange;
    }
    if (replaced == 0) {
        TextNotFound(&dialog);
        return;
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
