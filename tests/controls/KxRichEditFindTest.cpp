#include "controls/KxRichEdit.h"
#include "controls/Printer.h"

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Click(TFindDialog& dialog, const char* button) {
    ASSERT_NE(dialog.Window(), nullptr);
    dialog.Window()->findChild<QPushButton*>(button)->click();
}

// pdfinfo's value of one field.
QString PdfInfo(const QString& file, const QString& field) {
    QProcess process;
    process.start("pdfinfo", {file});
    process.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed();
    }
    return {};
}

} // namespace

TEST(KxRichEditFind, FindTextOverTheText) {
    TKxRichEdit edit;
    edit.SetSelText("Uno due\rdue tre duetto");
    struct Case {
        const char* what;
        int start, length;
        TRichSearchTypes options;
        int expected;
    };
    const Case cases[] = {
        {"due", 0, 100, {}, 4},
        {"DUE", 0, 100, stMatchCase, -1},
        {"DUE", 0, 100, {}, 4},
        {"due", 5, 100, {}, 8},
        {"due", 0, 6, {}, -1},
        {"due", 0, 7, {}, 4},
        {"duetto", 0, 100, stWholeWord, 16},
        {"due", 17, 100, stWholeWord, -1},
        {"due", 17, 100, stBackward, 8},
        {"due", 11, 3, stBackward, 8},
        {"due", 11, 2, stBackward, -1},
        {"due", 6, 100, stBackward, -1},
        {"uno", 7, 7, stBackward, 0},
        {"\rdue", 0, 100, {}, 7},
        {"", 0, 100, {}, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(edit.FindText(c.what, c.start, c.length, c.options), c.expected)
            << c.what << ' ' << c.start << ' ' << c.length;
    EXPECT_EQ(edit.FindText("tre", 0, -100, stSetSelection), 12);
    EXPECT_EQ(edit.SelStart(), 12);
    EXPECT_EQ(edit.SelLength(), 3);
}

TEST(KxRichEditFind, TheFindDialogSearchesFromTheSelection) {
    TKxRichEdit edit;
    edit.show();
    edit.SetSelText("a due, b due, c");
    edit.SetSelStart(0);
    EXPECT_FALSE(edit.CanFindNext());
    EXPECT_FALSE(edit.FindNext());
    QStringList notFound;
    edit.OnTextNotFound = [&](QObject*, const QString& text) { notFound << text; };
    TFindDialog* dialog = edit.FindDialog("due");
    ASSERT_NE(dialog->Window(), nullptr);
    EXPECT_EQ(dialog->Window()->windowTitle(), "Trova");
    EXPECT_EQ(dialog->Window()->findChild<QLineEdit*>("FindEdit")->text(), "due");
    Click(*dialog, "FindNextButton");
    EXPECT_EQ(edit.SelStart(), 2);
    EXPECT_TRUE(edit.CanFindNext());
    EXPECT_TRUE(edit.FindNext());
    EXPECT_EQ(edit.SelStart(), 9);
    EXPECT_FALSE(edit.FindNext());
    EXPECT_EQ(notFound, QStringList{"due"});
    dialog->Options &= ~TFindOptions(frDown);
    dialog->Execute();
    Click(*dialog, "FindNextButton");
    EXPECT_EQ(edit.SelStart(), 2);
    int closed = 0;
    edit.OnCloseFindDialog = [&](QObject*, TFindDialog* which) {
        EXPECT_EQ(which, dialog);
        ++closed;
    };
    Click(*dialog, "CancelButton");
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dialog->Window(), nullptr);
}

TEST(KxRichEditFind, TheFindDialogStepsOffTheMatch) {
    for (const int editTop : {0, 400}) {
        TKxRichEdit edit;
        edit.move(0, editTop);
        edit.show();
        edit.SetSelText("una due tre");
        edit.SetSelStart(0);
        TFindDialog* dialog = edit.FindDialog("due");
        QDialog* window = dialog->Window();
        ASSERT_NE(window, nullptr);
        const QPoint match = edit.viewport()->mapToGlobal(edit.GetCharPos(4));
        dialog->SetPosition(match - QPoint(10, 10));
        Click(*dialog, "FindNextButton");
        ASSERT_EQ(edit.SelStart(), 4);
        const QRect placed = window->frameGeometry();
        if (placed.height() + 20 < match.y())
            EXPECT_EQ(placed.bottom(), match.y() - 20) << editTop;
        else
            EXPECT_EQ(placed.top(), match.y() + 40) << editTop;
        EXPECT_EQ(dialog->Position(), placed.topLeft());
    }
}

TEST(KxRichEditFind, ReplaceReplacesTheShownMatchThenShowsTheNext) {
    TKxRichEdit edit;
    edit.show();
    edit.SetSelText("gatto e gatto");
    edit.SetSelStart(0);
    TReplaceDialog* dialog = edit.ReplaceDialog("gatto", "cane");
    EXPECT_EQ(dialog->Window()->windowTitle(), "Sostituisci");
    Click(*dialog, "ReplaceButton");
    EXPECT_EQ(edit.GetTextRange(0, -1), "gatto e gatto");
    EXPECT_EQ(edit.SelText(), "gatto");
    Click(*dialog, "ReplaceButton");
    EXPECT_EQ(edit.GetTextRange(0, -1), "cane e gatto");
    EXPECT_EQ(edit.SelStart(), 7);
    EXPECT_EQ(edit.SelText(), "gatto");
    EXPECT_EQ(edit.FindDialog("")->FindText, "gatto");
}

TEST(KxRichEditFind, ReplaceAllFiresItsEventsOnce) {
    TKxRichEdit edit;
    edit.SetSelText("a-a-a");
    edit.SetSelStart(0);
    int changes = 0, selections = 0, notFound = 0;
    edit.OnChange = [&](QObject*) { ++changes; };
    edit.OnSelectionChange = [&](QObject*) { ++selections; };
    edit.OnTextNotFound = [&](QObject*, const QString&) { ++notFound; };
    TReplaceDialog* dialog = edit.ReplaceDialog("a", "aa");
    Click(*dialog, "ReplaceAllButton");
    EXPECT_EQ(edit.GetTextRange(0, -1), "aa-aa-aa");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(selections, 1);
    EXPECT_EQ(notFound, 0);
    edit.Undo();
    EXPECT_EQ(edit.GetTextRange(0, -1), "a-a-a");

    changes = selections = 0;
    dialog->FindText = "zz";
    dialog->Execute();
    Click(*dialog, "ReplaceAllButton");
    EXPECT_EQ(notFound, 1);
    EXPECT_EQ(changes, 0);
}

TEST(KxRichEditFind, ReplaceAllReplacesWhatTheRepeatedSearchMeets) {
    // Each search starts past the previous replacement, which stays selected at the end.
    struct Case {
        const char* text;
        int selFrom, selTo;
        const char* find;
        const char* replace;
        TFindOptions options;
        const char* expected;
        const char* selected;
        int selStart;
    };
    const Case cases[] = {
        {"a-a-a", 0, 0, "a", "aa", frDown, "aa-aa-aa", "aa", 6},
        {"a-a-a", 5, 5, "a", "aa", {}, "aa-aa-aa", "aa", 0},
        {"a a a", 0, 1, "a", "b", frDown, "a b b", "b", 4},
        {"a a a", 4, 5, "A", "b", {}, "b b a", "b", 0},
        {"Due due DUE", 0, 0, "due", "tre", TFindOptions(frDown) | frMatchCase, "Due tre DUE",
         "tre", 4},
        {"a b a", 0, 0, "a", "x\r\ny", frDown, "x\ry b x\ry", "x\ry", 6},
        {"-- x", 0, 0, "-", "z", TFindOptions(frDown) | frWholeWord, "z- x", "z", 0},
        {"x --", 4, 4, "-", "z", frWholeWord, "x -z", "z", 3},
        {"due, duetto", 0, 0, "due", "", TFindOptions(frDown) | frWholeWord, ", duetto", "", 0},
    };
    for (const Case& c : cases) {
        TKxRichEdit edit;
        edit.SetSelText(c.text);
        edit.SetSelection(c.selFrom, c.selTo, false);
        TReplaceDialog* dialog = edit.ReplaceDialog(c.find, "");
        dialog->ReplaceText = c.replace;
        dialog->Options = c.options;
        dialog->Execute();
        Click(*dialog, "ReplaceAllButton");
        EXPECT_EQ(edit.GetTextRange(0, -1), c.expected) << c.text << ' ' << c.find;
        EXPECT_EQ(edit.SelText(), c.selected) << c.text << ' ' << c.find;
        EXPECT_EQ(edit.SelStart(), c.selStart) << c.text << ' ' << c.find;
        EXPECT_TRUE(edit.CanFindNext() || !*c.find);
    }
}

TEST(KxRichEditFind, PrintsPagesToPdf) {
    ASSERT_FALSE(QStandardPaths::findExecutable("pdfinfo").isEmpty()) << "pdfinfo is missing";
    QTemporaryDir dir;
    QPrinter& printer = printing::Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    TKxRichEdit edit;
    QStringList lines;
    for (int i = 0; i < 150; ++i)
        lines << QString("Riga numero %1 della partita").arg(i);
    edit.Lines.AddStrings(lines);

    printer.setOutputFileName(dir.filePath("whole.pdf"));
    edit.Print("Partita stampata");
    EXPECT_EQ(PdfInfo(dir.filePath("whole.pdf"), "Title"), "Partita stampata");
    const int whole = PdfInfo(dir.filePath("whole.pdf"), "Pages").toInt();
    EXPECT_GE(whole, 2);

    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    edit.PageRect = QRect(page.width() / 4, page.height() / 4, page.width() / 2, page.height() / 2);
    printer.setOutputFileName(dir.filePath("half.pdf"));
    edit.Print("Meta");
    EXPECT_GE(PdfInfo(dir.filePath("half.pdf"), "Pages").toInt(), 2 * whole - 1);

    TKxRichEdit empty;
    printer.setOutputFileName(dir.filePath("empty.pdf"));
    empty.Print("Vuota");
    EXPECT_EQ(PdfInfo(dir.filePath("empty.pdf"), "Pages"), "1");

    printer.setOutputFileName(dir.filePath("missing/folder/out.pdf"));
    EXPECT_THROW(empty.Print("Mai"), std::runtime_error);
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/folder/out.pdf")));
    printer.setOutputFileName({});
}
