#include "controls/KxRichEdit.h"
#include "MouseDrag.h"
#include "platform/MessageBox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFontInfo>
#include <QGlyphRun>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QRawFont>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// One coloured line appended the way the chat log does it.
void AppendChatLine(TKxRichEdit& edit, const QString& line, TColor color, TFontStyles style) {
    edit.SetSelStart(int(edit.Lines.Text().size()));
    edit.SetSelLength(0);
    edit.SelAttributes.SetColor(color);
    edit.SelAttributes.SetStyle(style);
    edit.SetSelText(line);
    edit.Lines.Append("");
    edit.ScrollPageDown();
}

void Select(TKxRichEdit& edit, int from, int to) {
    edit.SetSelection(from, to, false);
}

// A point inside the character at index, in viewport co-ordinates.
QPoint InsideChar(TKxRichEdit& edit, int index) {
    return edit.GetCharPos(index) + QPoint(2, edit.fontMetrics().height() / 2);
}

} // namespace

TEST(KxRichEdit, DefaultsAreTheControlsOwn) {
    TKxRichEdit edit;
    EXPECT_EQ(edit.size(), QSize(185, 89));
    EXPECT_TRUE(edit.AutoURLDetect());
    EXPECT_TRUE(edit.HideSelection());
    EXPECT_TRUE(edit.HideScrollBars());
    EXPECT_TRUE(edit.WordWrap());
    EXPECT_TRUE(edit.WantReturns);
    EXPECT_FALSE(edit.WantTabs());
    EXPECT_FALSE(edit.PlainText());
    EXPECT_EQ(edit.ScrollBars(), ssBoth);
    EXPECT_EQ(edit.StreamFormat(), sfDefault);
    EXPECT_EQ(edit.UndoLimit(), 100);
    EXPECT_EQ(edit.MaxLength(), 0);
    EXPECT_EQ(edit.LangOptions(), TRichLangOptions(rlAutoFont));
    EXPECT_EQ(edit.Lines.Count(), 0);
    EXPECT_EQ(RichEditVersion, 3);
}

namespace {

// How the first line was drawn: whether a glyph is the font's blank "missing" one, and how many
// fonts took part.
struct FirstLineGlyphs {
    bool missing = false;
    QSet<QString> families;
};

FirstLineGlyphs GlyphsOfFirstLine(TKxRichEdit& edit) {
    const QTextBlock block = edit.document()->firstBlock();
    // Drawing lays the text out.
    edit.grab();
    FirstLineGlyphs glyphs;
    const QTextLayout& layout = *block.layout();
    for (int i = 0; i < layout.lineCount(); ++i)
        for (const QGlyphRun& run : layout.lineAt(i).glyphRuns()) {
            glyphs.missing |= run.glyphIndexes().contains(0);
            glyphs.families.insert(run.rawFont().familyName());
        }
    return glyphs;
}

} // namespace

TEST(KxRichEdit, LangOptionsAutoFontDrawsWhatTheFontLacksInAnotherFont) {
    const QFont latin(QStringLiteral("DejaVu Sans"), 12);
    const char32_t han = U'\u4E2D';
    if (QFontInfo(latin).family() != latin.family() ||
        QRawFont::fromFont(latin).supportsCharacter(han))
        GTEST_SKIP() << "no Latin-only font to draw with";
    TKxRichEdit edit;
    edit.setFont(latin);
    edit.SetText(QStringLiteral("a\u4E2D"));
    // The text's own fonts follow too.
    edit.SelectAll();
    edit.SelAttributes.SetName(QStringLiteral("DejaVu Sans"));
    edit.SetSelLength(0);
    if (GlyphsOfFirstLine(edit).missing)
        GTEST_SKIP() << "no font here has the character";
    const struct {
        TRichLangOptions options;
        bool merged;
    } cases[] = {
        {TRichLangOptions(rlAutoKeyboard) | rlImeCancelComplete, false},
        {TRichLangOptions(rlAutoFont) | rlImeAlwaysSendNotify, true},
        {TRichLangOptions(), false},
        {TRichLangOptions(rlAutoFont), true},
    };
    for (const auto& c : cases) {
        edit.SetLangOptions(c.options);
        EXPECT_EQ(edit.LangOptions(), c.options);
        for (bool fontChanged : {false, true}) {
            if (fontChanged)
                edit.setFont(QFont(latin.family(), 14));
            const FirstLineGlyphs glyphs = GlyphsOfFirstLine(edit);
            EXPECT_EQ(glyphs.missing, !c.merged) << c.options.toInt() << fontChanged;
            EXPECT_EQ(glyphs.families.size(), c.merged ? 2 : 1) << c.options.toInt() << fontChanged;
            EXPECT_EQ(bool(edit.document()->defaultFont().styleStrategy() & QFont::NoFontMerging),
                      !c.merged);
        }
        edit.setFont(latin);
    }
}

TEST(KxRichEdit, ChatRoadAppendsColouredLines) {
    for (bool clickedElsewhere : {false, true}) {
        TKxRichEdit edit;
        edit.SetReadOnly(true);
        AppendChatLine(edit, "ciao", clRed, fsBold);
        if (clickedElsewhere)
            edit.SetSelStart(1);
        AppendChatLine(edit, "come va", clWindowText, TFontStyles(fsItalic) | fsUnderline);
        EXPECT_EQ(edit.Lines.Count(), 2);
        EXPECT_EQ(edit.Lines.Text(), "ciao\r\ncome va\r\n");
        EXPECT_EQ(edit.GetTextRange(0, -1), "ciao\rcome va\r");
        Select(edit, 0, 4);
        EXPECT_EQ(edit.SelAttributes.Color(), clRed);
        EXPECT_EQ(edit.SelAttributes.Style(), TFontStyles(fsBold));
        Select(edit, 5, 12);
        EXPECT_EQ(edit.SelAttributes.Color(), clWindowText);
        EXPECT_EQ(edit.SelAttributes.Style(), TFontStyles(fsItalic) | fsUnderline);
    }
}

TEST(KxRichEdit, ChatRoadScrollsAPageDownEachLine) {
    TKxRichEdit edit;
    edit.show();
    for (int i = 0; i < 40; ++i)
        AppendChatLine(edit, QString("riga %1").arg(i), clGreen, {});
    EXPECT_EQ(edit.Lines.Count(), 40);
    EXPECT_GT(edit.verticalScrollBar()->value(), 0);
}

TEST(KxRichEdit, SelTextSelectsWhatItInsertedAndLinesDoNot) {
    TKxRichEdit edit;
    edit.Lines.SetText("ab\r\ncd");
    edit.SetSelStart(3);
    edit.SetSelText("x\r\ny");
    EXPECT_EQ(edit.GetTextRange(0, -1), "ab\rx\rycd\r");
    EXPECT_EQ(edit.SelStart(), 3);
    EXPECT_EQ(edit.SelLength(), 3);
    EXPECT_EQ(edit.SelText(), "x\ry");
    EXPECT_EQ(edit.GetCaretPos(), QPoint(1, 2));
    edit.SetSelStart(0);
    edit.Lines.Add("z");
    EXPECT_EQ(edit.SelLength(), 0);
}

TEST(KxRichEdit, EnterInTheInputBoxIsTakenByTheKeyHandler) {
    TKxRichEdit edit;
    edit.SetWordWrap(false);
    QString sent;
    edit.OnKeyDown = [&](QObject*, Word& key, TShiftState) {
        if (key == 13) {
            sent = edit.Lines.Get(edit.Lines.Count() - 1);
            key = 0;
        }
    };
    QTest::keyClicks(&edit, "hi");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(sent, "hi");
    EXPECT_EQ(edit.GetTextRange(0, -1), "hi");
    edit.OnKeyDown = nullptr;
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.GetTextRange(0, -1), "hi\r");
}

TEST(KxRichEdit, LinesOperations) {
    // The caret ends after the written text (-1: nothing written, the selection stays).
    struct Case {
        const char* text;
        std::function<void(TRichEditStrings&)> change;
        const char* expected;
        int caret;
    };
    const Case cases[] = {
        {"", [](auto& l) { l.Add("a"); }, "a\r", 2},
        {"a\rb", [](auto& l) { l.Add("c"); }, "a\rb\rc", 5},
        {"a\rb\r", [](auto& l) { l.Add("c"); }, "a\rb\rc\r", 6},
        {"a\rb", [](auto& l) { l.Insert(0, "z"); }, "z\ra\rb", 2},
        {"a\rb", [](auto& l) { l.Insert(1, "z"); }, "a\rz\rb", 4},
        {"a\r", [](auto& l) { l.Insert(5, "z"); }, "a\r", -1},
        {"a\rb\rc", [](auto& l) { l.Delete(1); }, "a\rc", 2},
        {"a\rb", [](auto& l) { l.Delete(1); }, "a\r", 2},
        {"a\rb", [](auto& l) { l.Delete(7); }, "a\rb", -1},
        {"a\rb", [](auto& l) { l.Put(1, "xyz"); }, "a\rxyz", 5},
        {"xyz\rb", [](auto& l) { l.Put(0, "a"); }, "a\rb", 1},
        {"a\rb", [](auto& l) { l.Put(-1, "xyz"); }, "a\rb", -1},
    };
    for (const Case& c : cases) {
        TKxRichEdit edit;
        edit.SetSelText(c.text);
        edit.SelectAll();
        const int before = edit.SelLength();
        c.change(edit.Lines);
        EXPECT_EQ(edit.GetTextRange(0, -1), c.expected) << c.text;
        EXPECT_EQ(edit.SelStart(), c.caret < 0 ? 0 : c.caret) << c.text;
        EXPECT_EQ(edit.SelLength(), c.caret < 0 ? before : 0) << c.text;
    }
}

TEST(KxRichEdit, LinesCountAndLongLines) {
    TKxRichEdit edit;
    EXPECT_EQ(edit.Lines.Count(), 0);
    edit.SetSelText("one\r");
    EXPECT_EQ(edit.Lines.Count(), 1);
    edit.Lines.Put(0, QString(5000, 'x'));
    EXPECT_EQ(edit.Lines.Get(0).size(), 4096);
    EXPECT_EQ(edit.GetLineLength(0), 5000);
}

TEST(KxRichEdit, SelTextIsUndoableLinesAreNot) {
    TKxRichEdit edit;
    edit.SetSelText("abc");
    EXPECT_TRUE(edit.CanUndo());
    edit.Undo();
    EXPECT_EQ(edit.GetTextRange(0, -1), "");
    EXPECT_TRUE(edit.CanRedo());
    edit.Redo();
    EXPECT_EQ(edit.GetTextRange(0, -1), "abc");
    edit.Lines.Add("d");
    EXPECT_FALSE(edit.CanUndo());
    EXPECT_EQ(edit.GetTextRange(0, -1), "abc\rd");
}

// Each piece is one step of the history, written before the text: pieces written one after the
// other would merge into one step.
void WriteSteps(TKxRichEdit& edit, const QStringList& pieces) {
    for (const QString& piece : pieces) {
        edit.SetSelStart(0);
        edit.SetSelText(piece);
        QCoreApplication::sendPostedEvents();
    }
}

// Undoes all it can; what is left.
QString UndoAll(TKxRichEdit& edit) {
    for (int guard = 0; edit.CanUndo() && guard < 1000; ++guard)
        edit.Undo();
    return edit.GetTextRange(0, -1);
}

TEST(KxRichEdit, UndoLimitBoundsTheHistoryAndLinesKeepIt) {
    struct Case {
        int limit;
        QString left;
    };
    for (const Case& c : {Case{3, "de"}, Case{1, "abcde"}, Case{0, "abcde"}}) {
        TKxRichEdit edit;
        edit.SetUndoLimit(c.limit);
        WriteSteps(edit, {"e", "d", "c", "b", "a"});
        edit.SetSelection(1, 3, false);
        edit.SetModified(true);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(edit.GetSelection().cpMin, 1) << c.limit;
        EXPECT_EQ(edit.GetSelection().cpMax, 3) << c.limit;
        EXPECT_TRUE(edit.Modified()) << c.limit;
        EXPECT_EQ(UndoAll(edit), c.left) << c.limit;
        // Lines leave the history as the limit has it.
        edit.Lines.Add("f");
        EXPECT_EQ(edit.document()->isUndoRedoEnabled(), c.limit > 0) << c.limit;
    }

    // The steps taken back and redone meanwhile are nobody's business.
    TKxRichEdit edit;
    edit.show();
    WriteSteps(edit, {"d\r", "c\r", "b\r", "a\r"});
    int changes = 0;
    edit.OnChange = [&](QObject*) { ++changes; };
    edit.OnResizeRequest = [&](QObject*, QRect) { ++changes; };
    edit.SetUndoLimit(2);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(UndoAll(edit), "c\rd\r");
    edit.SetUndoLimit(-5);
    EXPECT_EQ(edit.UndoLimit(), 0);
    WriteSteps(edit, {"x"});
    EXPECT_FALSE(edit.CanUndo());
}

TEST(KxRichEdit, UndoNamesTheUsersEdit) {
    TKxRichEdit edit;
    edit.show();
    QTest::keyClicks(&edit, "ab");
    EXPECT_EQ(edit.UndoName(), unTyping);
    edit.SelectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.UndoName(), unDelete);
    edit.Undo();
    EXPECT_EQ(edit.RedoName(), unDelete);
    edit.ClearUndo();
    EXPECT_EQ(edit.UndoName(), unUnknown);
}

TEST(KxRichEdit, RangesAreClamped) {
    TKxRichEdit edit;
    edit.SetSelText("hello world");
    EXPECT_EQ(edit.GetTextRange(6, -1), "world");
    EXPECT_EQ(edit.GetTextRange(-3, 5), "hello");
    EXPECT_EQ(edit.GetTextRange(5, 5), "");
    EXPECT_EQ(edit.GetTextRange(7, 2), "");
    EXPECT_EQ(edit.GetTextRange(6, 500), "world");
    edit.SetSelection(-5, 500, false);
    EXPECT_EQ(edit.SelLength(), 11);
    QChar buffer[4] = {'q', 'q', 'q', 'q'};
    EXPECT_EQ(edit.GetSelTextBuf(buffer, 0), 0);
    EXPECT_EQ(buffer[0], QChar('q'));
    EXPECT_EQ(edit.GetSelTextBuf(buffer, 4), 3);
    EXPECT_EQ(QString(buffer, 3), "hel");
    EXPECT_EQ(buffer[3], QChar(0));
    EXPECT_EQ(edit.SelectionType(), TRichSelectionType(stText) | stMultiChar);
    edit.SetSelStart(8);
    EXPECT_EQ(edit.WordAtCursor(), "world");
    EXPECT_EQ(edit.SelectionType(), TRichSelectionType());
}

TEST(KxRichEdit, ProtectedTextAsksTheProtectEvents) {
    TKxRichEdit edit;
    edit.show();
    edit.SetSelText("locked");
    edit.SelAttributes.SetProtected(true);
    edit.SetSelection(2, 4, false);
    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_EQ(edit.GetTextRange(0, -1), "locked");
    int asked = 0;
    edit.OnProtectChange = [&](QObject*, int from, int to, bool& allow) {
        ++asked;
        EXPECT_EQ(from, 2);
        EXPECT_EQ(to, 4);
        allow = true;
    };
    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(edit.GetTextRange(0, -1), "loxed");
    bool exAsked = false;
    edit.OnProtectChangeEx = [&](QObject*, const TMessage& message, int, int, bool& allow) {
        exAsked = message.Msg != 0;
        allow = false;
    };
    edit.SetSelection(0, 2, false);
    QApplication::clipboard()->setText("zz");
    edit.PasteFromClipboard();
    EXPECT_TRUE(exAsked);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(edit.GetTextRange(0, -1), "loxed");
}

TEST(KxRichEdit, RightButtonShowsThePopupMenu) {
    TKxRichEdit edit;
    edit.show();
    TPopupMenu menu;
    edit.PopupMenu = &menu;
    int shown = 0;
    SetPopupMenuHook([&](TPopupMenu& popup, QPoint) {
        EXPECT_EQ(popup.PopupComponent, &edit);
        ++shown;
        return nullptr;
    });
    QTest::mousePress(edit.viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(shown, 0);
    QTest::mouseRelease(edit.viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(shown, 1);
    QContextMenuEvent byMouse(QContextMenuEvent::Mouse, QPoint(10, 10),
                              edit.viewport()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(edit.viewport(), &byMouse);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    SetPopupMenuHook({});
}

TEST(KxRichEdit, UrlClickNeedsOneButtonOnOneLink) {
    TKxRichEdit edit;
    edit.SetWordWrap(false);
    edit.resize(600, 100);
    edit.show();
    edit.SetSelText("see www.quendel.invalid and ftp://host.invalid/a.");
    std::vector<std::pair<QString, TMouseButton>> clicks;
    edit.OnURLClick = [&](QObject*, const QString& text, TMouseButton button) {
        clicks.push_back({text, button});
    };
    QWidget* view = edit.viewport();
    QTest::mouseClick(view, Qt::LeftButton, {}, InsideChar(edit, 6));
    QTest::mouseClick(view, Qt::RightButton, {}, InsideChar(edit, 30));
    QTest::mousePress(view, Qt::LeftButton, {}, InsideChar(edit, 6));
    QTest::mouseRelease(view, Qt::RightButton, {}, InsideChar(edit, 6));
    QTest::mousePress(view, Qt::LeftButton, {}, InsideChar(edit, 6));
    QTest::mouseRelease(view, Qt::LeftButton, {}, InsideChar(edit, 30));
    QTest::mouseClick(view, Qt::LeftButton, {}, InsideChar(edit, 1));
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].first, "www.quendel.invalid");
    EXPECT_EQ(clicks[0].second, mbLeft);
    EXPECT_EQ(clicks[1].first, "ftp://host.invalid/a");
    EXPECT_EQ(clicks[1].second, mbRight);
}

TEST(KxRichEdit, ClipboardTakesTextAndPicturesAndRefusesFilesAndHtml) {
    TKxRichEdit edit;
    edit.SetSelText("copy me");
    edit.SelectAll();
    edit.CopyToClipboard();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    EXPECT_EQ(copied->text(), "copy me");
    edit.SetSelStart(edit.GetTextLen());

    auto* image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(image);
    EXPECT_TRUE(edit.CanPaste());
    edit.PasteFromClipboard();
    EXPECT_EQ(edit.GetTextRange(0, -1), "copy me\uFFFC");
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile("/tmp/x.txt")});
    files->setText("/tmp/x.txt");
    QApplication::clipboard()->setMimeData(files);
    edit.PasteFromClipboard();
    auto* html = new QMimeData;
    html->setHtml("<b>bold</b>");
    QApplication::clipboard()->setMimeData(html);
    edit.PasteFromClipboard();
    EXPECT_EQ(edit.GetTextRange(0, -1), "copy me\uFFFC");

    QApplication::clipboard()->setText(" and\nme");
    EXPECT_TRUE(edit.CanPaste());
    edit.PasteFromClipboard();
    EXPECT_EQ(edit.GetTextRange(0, -1), "copy me\uFFFC and\rme");
}

TEST(KxRichEdit, MaxLengthLimitsTheUserOnly) {
    TKxRichEdit edit;
    edit.show();
    SetBeepHook([](int) {});
    edit.SetMaxLength(3);
    QTest::keyClicks(&edit, "abcdef");
    EXPECT_EQ(edit.GetTextRange(0, -1), "abc");
    edit.SetSelText("12345");
    EXPECT_EQ(edit.GetTextRange(0, -1), "abc12345");
    SetBeepHook({});
}

TEST(KxRichEdit, WindowSettingsKeepTextFormatAndModified) {
    TKxRichEdit edit;
    edit.SetSelText("rosso");
    edit.SelAttributes.SetColor(clRed);
    edit.SetModified(true);
    edit.SetSelectionBar(false);
    edit.SetHideScrollBars(false);
    edit.SetScrollBars(ssVertical);
    edit.AllowObjects = false;
    EXPECT_EQ(edit.GetTextRange(0, -1), "rosso");
    EXPECT_EQ(edit.SelAttributes.Color(), clRed);
    EXPECT_TRUE(edit.Modified());
    EXPECT_EQ(edit.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(edit.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    edit.Clear();
    EXPECT_FALSE(edit.Modified());
    EXPECT_FALSE(edit.InsertObjectDialog());
    QApplication::clipboard()->clear();
    EXPECT_FALSE(edit.PasteSpecialDialog());
    EXPECT_FALSE(edit.ObjectPropertiesDialog());
}

TEST(KxRichEdit, GrowingTextAsksForItsSize) {
    TKxRichEdit edit;
    edit.show();
    QRect asked;
    edit.OnResizeRequest = [&](QObject*, const QRect& rect) { asked = rect; };
    edit.SetSelText("uno\rdue\rtre");
    EXPECT_GT(asked.height(), 0);
}

TEST(KxRichEdit, ChangeEventsAreMutedWhileLinesSetTheText) {
    TKxRichEdit edit;
    int changes = 0;
    edit.OnChange = [&](QObject*) { ++changes; };
    edit.Lines.SetText("a\r\nb\r\n");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(edit.Lines.Count(), 2);
    edit.SetSelText("x");
    EXPECT_EQ(changes, 1);
    edit.SelAttributes.SetColor(clRed);
    EXPECT_EQ(changes, 1);
}

TEST(KxRichEdit, UiActivityNamesTheActiveControlAndKeepsTheFocus) {
    QWidget form;
    auto* a = new TKxRichEdit(&form);
    auto* b = new TKxRichEdit(&form);
    auto* other = new QLineEdit(&form);
    form.show();
    int selections = 0;
    a->OnSelectionChange = [&](QObject*) { ++selections; };
    other->setFocus();

    a->SetUIActive(true);
    EXPECT_EQ(ActiveOleControl(&form), a);
    EXPECT_EQ(form.focusWidget(), a);
    b->AllowInPlace = false;
    b->SetUIActive(true);
    EXPECT_EQ(ActiveOleControl(&form), b);
    EXPECT_EQ(form.focusWidget(), a) << "without in-place activity the focus stays";

    a->SetUIActive(false);
    EXPECT_EQ(ActiveOleControl(&form), b) << "another control's activity stays";
    EXPECT_EQ(form.focusWidget(), a);
    EXPECT_EQ(selections, 1);
    b->SetUIActive(false);
    EXPECT_EQ(ActiveOleControl(&form), nullptr);
    other->setFocus();
    a->SetUIActive(false);
    EXPECT_EQ(selections, 1) << "not the focused control";
    a->setFocus();
    a->AllowInPlace = false;
    a->SetUIActive(false);
    EXPECT_EQ(selections, 1) << "no in-place activity";

    a->AllowInPlace = true;
    a->OnSelectionChange = [](QObject*) { throw std::runtime_error("guasto"); };
    QStringList shown;
    const auto old = SetMessageBoxHook([&](const QString& text, const QString&, int) {
        shown << text;
        return 1;
    });
    a->SetUIActive(false);
    SetMessageBoxHook(old);
    EXPECT_EQ(shown, QStringList{"guasto"});

    b->hide();
    other->setFocus();
    b->AllowInPlace = true;
    b->SetUIActive(true);
    EXPECT_EQ(ActiveOleControl(&form), b);
    EXPECT_EQ(form.focusWidget(), other) << "a hidden control cannot take the focus";
    TKxRichEdit lone;
    lone.SetUIActive(true);
    EXPECT_EQ(ActiveOleControl(&lone), nullptr) << "no form";
}

// ----- attributes -----

TEST(KxTextAttributes, EachPropertyReadsBackWhatWasWrittenInEveryScope) {
    struct Case {
        const char* name;
        std::function<void(TKxTextAttributes&)> write;
        std::function<bool(const TKxTextAttributes&)> check;
    };
    const Case cases[] = {
        {"Color", [](auto& a) { a.SetColor(clRed); }, [](auto& a) { return a.Color() == clRed; }},
        {"AutoColor", [](auto& a) { a.SetColor(clDefault); },
         [](auto& a) { return a.Color() == clWindowText; }},
        {"BackColor", [](auto& a) { a.SetBackColor(clYellow); },
         [](auto& a) { return a.BackColor() == clYellow; }},
        {"Style", [](auto& a) { a.SetStyle(TFontStyles(fsBold) | fsStrikeOut); },
         [](auto& a) { return a.Style() == (TFontStyles(fsBold) | fsStrikeOut); }},
        {"Name", [](auto& a) { a.SetName("Courier New"); },
         [](auto& a) { return a.Name() == "Courier New"; }},
        {"Size", [](auto& a) { a.SetSize(17); }, [](auto& a) { return a.Size() == 17; }},
        {"Offset", [](auto& a) { a.SetOffset(-3); }, [](auto& a) { return a.Offset() == -3; }},
        {"Charset", [](auto& a) { a.SetCharset(238); }, [](auto& a) { return a.Charset() == 238; }},
        {"Protected", [](auto& a) { a.SetProtected(true); }, [](auto& a) { return a.Protected(); }},
        {"Link", [](auto& a) { a.SetLink(true); }, [](auto& a) { return a.Link(); }},
        {"Hidden", [](auto& a) { a.SetHidden(true); }, [](auto& a) { return a.Hidden(); }},
        {"Disabled", [](auto& a) { a.SetDisabled(true); }, [](auto& a) { return a.Disabled(); }},
        {"RevAuthor", [](auto& a) { a.SetRevAuthorIndex(7); },
         [](auto& a) { return a.RevAuthorIndex() == 7; }},
        {"Subscript", [](auto& a) { a.SetSubscriptStyle(ssSuperscript); },
         [](auto& a) { return a.SubscriptStyle() == ssSuperscript; }},
        {"Underline", [](auto& a) { a.SetUnderlineType(utWave); },
         [](auto& a) { return a.UnderlineType() == utWave; }},
        {"PitchAlone", [](auto& a) { a.SetPitch(fpFixed); },
         [](auto& a) { return a.Pitch() == fpDefault; }},
    };
    for (const Case& c : cases) {
        TKxRichEdit edit;
        edit.SetSelText("some words here");
        edit.SetSelection(5, 10, false);
        for (TKxTextAttributes* a : {&edit.SelAttributes, &edit.DefAttributes}) {
            c.write(*a);
            EXPECT_TRUE(c.check(*a)) << c.name;
        }
        edit.SetSelStart(1);
        c.write(edit.WordAttributes);
        EXPECT_TRUE(c.check(edit.WordAttributes)) << c.name;
        edit.SetSelection(0, 4, false);
        EXPECT_TRUE(c.check(edit.SelAttributes)) << c.name << " word scope";
    }
}

TEST(KxTextAttributes, UnderlineTypeFollowsTheUnderlineStyle) {
    TKxRichEdit edit;
    edit.SetSelText("parole sottolineate");
    edit.SetSelection(0, 6, false);
    TKxTextAttributes& sel = edit.SelAttributes;
    sel.SetStyle(fsUnderline);
    EXPECT_EQ(sel.UnderlineType(), utSolid);
    sel.SetUnderlineType(utDotted);
    sel.SetStyle(TFontStyles(fsUnderline) | fsBold);
    EXPECT_EQ(sel.UnderlineType(), utDotted);
    sel.SetStyle(fsBold);
    EXPECT_EQ(sel.UnderlineType(), utNone);
    sel.SetStyle(fsUnderline);
    EXPECT_EQ(sel.UnderlineType(), utSolid);

    QFont underlined = edit.font();
    underlined.setUnderline(true);
    edit.DefAttributes.Assign(underlined);
    EXPECT_EQ(edit.DefAttributes.UnderlineType(), utSolid);

    QByteArray rtf = "{\\rtf1 {\\ul sotto} {\\uld punti}}";
    QBuffer buffer(&rtf);
    buffer.open(QIODevice::ReadOnly);
    edit.Lines.LoadFromStream(buffer);
    edit.SetSelection(0, 5, false);
    EXPECT_EQ(sel.UnderlineType(), utSolid);
    edit.SetSelection(6, 11, false);
    EXPECT_EQ(sel.UnderlineType(), utDotted);
}

TEST(KxTextAttributes, ConsistentAttributesOverMixedRuns) {
    TKxRichEdit edit;
    edit.SetSelText("red blue");
    edit.SelAttributes.SetStyle(fsBold);
    edit.SetSelection(0, 3, false);
    edit.SelAttributes.SetColor(clRed);
    edit.SetSelection(4, 8, false);
    edit.SelAttributes.SetColor(clBlue);
    edit.SetSelection(0, 8, false);
    const TKxConsistentAttributes consistent = edit.SelAttributes.ConsistentAttributes();
    EXPECT_FALSE(consistent & caColor);
    EXPECT_TRUE(consistent & caBold);
    EXPECT_TRUE(consistent & caItalic);
    EXPECT_TRUE(consistent & caFace);
    EXPECT_TRUE(consistent & caSubscript);
    EXPECT_EQ(edit.DefAttributes.ConsistentAttributes(), TKxConsistentAttributes());
}

TEST(KxTextAttributes, FontAssignmentAndColours) {
    TKxRichEdit edit;
    QFont bold("DejaVu Sans", 14);
    bold.setBold(true);
    edit.DefAttributes.Assign(bold, clWindowText);
    QTest::keyClicks(&edit, "typed");
    edit.SelectAll();
    EXPECT_EQ(edit.SelAttributes.Style(), TFontStyles(fsBold));
    EXPECT_EQ(edit.SelAttributes.Color(), clWindowText);
    EXPECT_EQ(edit.SelAttributes.Size(), 14);
    QFont back;
    TColor colour = clRed;
    edit.SelAttributes.AssignTo(back, &colour);
    EXPECT_TRUE(back.bold());
    EXPECT_EQ(colour, clWindowText);
    edit.SelAttributes.SetHeight(edit.SelAttributes.Height());
    EXPECT_EQ(edit.SelAttributes.Size(), 14);
    edit.WordAttributes.Assign(edit.SelAttributes);
    EXPECT_EQ(edit.WordAttributes.Size(), 14);
}

TEST(KxParaAttributes, EachPropertyReadsBackWhatWasWritten) {
    struct Case {
        const char* name;
        std::function<void(TKxParaAttributes&)> write;
        std::function<bool(const TKxParaAttributes&)> check;
    };
    const Case cases[] = {
        {"Alignment", [](auto& p) { p.SetAlignment(paCenter); },
         [](auto& p) { return p.Alignment() == paCenter; }},
        {"Indents",
         [](auto& p) {
             p.SetFirstIndent(12);
             p.SetLeftIndent(30);
             p.SetRightIndent(7);
         },
         [](auto& p) {
             return p.FirstIndent() == 12 && p.LeftIndent() == 30 && p.RightIndent() == 7;
         }},
        {"Numbering", [](auto& p) { p.SetNumbering(nsUpCaseRoman); },
         [](auto& p) { return p.Numbering() == nsUpCaseRoman && p.LeftIndent() == 10; }},
        {"NumberingStyle", [](auto& p) { p.SetNumberingStyle(nsEnclosed); },
         [](auto& p) { return p.NumberingStyle() == nsEnclosed; }},
        {"NumberingTab", [](auto& p) { p.SetNumberingTab(9); },
         [](auto& p) { return p.NumberingTab() == 9; }},
        {"Heading", [](auto& p) { p.SetHeadingStyle(-3); },
         [](auto& p) { return p.HeadingStyle() == -3; }},
        {"Spacing",
         [](auto& p) {
             p.SetSpaceBefore(6);
             p.SetSpaceAfter(4);
             p.SetLineSpacingRule(lsSpecified);
             p.SetLineSpacing(15);
         },
         [](auto& p) {
             return p.SpaceBefore() == 6 && p.SpaceAfter() == 4 &&
                    p.LineSpacingRule() == lsSpecified && p.LineSpacing() == 15;
         }},
        {"Table", [](auto& p) { p.SetTableStyle(tsTableCellEnd); },
         [](auto& p) { return p.TableStyle() == tsTableCellEnd; }},
        {"Tab3", [](auto& p) { p.SetTab(3, 72); },
         [](auto& p) { return p.Tab(3) == 72 && p.TabCount() == 3; }},
        {"TabOutside", [](auto& p) { p.SetTab(32, 72); },
         [](auto& p) { return p.Tab(32) == 0 && p.TabCount() == 0; }},
        {"TabCountClamped", [](auto& p) { p.SetTabCount(40); },
         [](auto& p) { return p.TabCount() == 32; }},
    };
    for (const Case& c : cases) {
        TKxRichEdit edit;
        edit.SetSelText("one\rtwo\rthree");
        edit.SetSelection(1, 6, false);
        c.write(edit.Paragraph);
        EXPECT_TRUE(c.check(edit.Paragraph)) << c.name;
        edit.SetSelStart(5);
        EXPECT_TRUE(c.check(edit.Paragraph)) << c.name << " second paragraph";
    }
}

TEST(KxParaAttributes, NumberingIsAQtList) {
    TKxRichEdit edit;
    edit.SetSelText("a\rb\rc");
    edit.SetSelection(0, 3, false);
    edit.Paragraph.SetNumbering(nsArabicNumbers);
    const QTextBlock first = edit.document()->firstBlock();
    ASSERT_NE(first.textList(), nullptr);
    EXPECT_EQ(first.textList(), first.next().textList());
    EXPECT_EQ(first.next().next().textList(), nullptr);
    edit.Paragraph.SetNumbering(nsNone);
    EXPECT_EQ(edit.document()->firstBlock().textList(), nullptr);
    EXPECT_EQ(edit.Paragraph.LeftIndent(), 0);
}

namespace {

// Where the caret before the character goes, in viewport coordinates.
QPoint ViewportPointOf(const TKxRichEdit& edit, int position) {
    QTextCursor cursor(edit.document());
    cursor.setPosition(position);
    return edit.cursorRect(cursor).center();
}

} // namespace

TEST(KxRichEdit, ThePressInTheSelectionBarSelectsTheLineAndTheDoublePressTheParagraph) {
    TKxRichEdit edit;
    const QString wrapped = "alfa beta gamma delta epsilon zeta eta theta iota kappa lambda";
    edit.SetText("uno due\r" + wrapped + "\rtre");
    edit.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
    const int start = 8, end = 8 + int(wrapped.size()) + 1;
    const QPoint inBar(edit.viewport()->x() - 3,
                       edit.viewport()->y() + ViewportPointOf(edit, start + 1).y());
    EXPECT_EQ(edit.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(edit.verticalScrollBar()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(edit.grab().toImage().pixelColor(inBar), edit.palette().color(QPalette::Base));

    SendMouse(&edit, QEvent::MouseButtonPress, inBar, Qt::LeftButton, Qt::LeftButton);
    const TCharRange line = edit.GetSelection();
    EXPECT_EQ(line.cpMin, start);
    EXPECT_GT(line.cpMax, start + 4);
    EXPECT_LT(line.cpMax, end);
    EXPECT_TRUE(edit.hasFocus() || !QApplication::focusWidget());
    SendMouse(&edit, QEvent::MouseButtonDblClick, inBar, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(edit.GetSelection().cpMin, start);
    EXPECT_EQ(edit.GetSelection().cpMax, end);

    edit.SetSelStart(0);
    edit.SetSelectionBar(false);
    EXPECT_FALSE(edit.SelectionBar());
    EXPECT_EQ(edit.cursor().shape(), Qt::ArrowCursor);
    SendMouse(&edit, QEvent::MouseButtonPress, inBar, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(edit.SelLength(), 0);
}

TEST(KxRichEdit, ADraggedSelectionTakesWholeWordsOnceItLeavesTheFirstWord) {
    for (const bool words : {true, false}) {
        SCOPED_TRACE(words);
        TKxRichEdit edit;
        edit.WordSelection = words;
        edit.SetText("alfa beta gamma");
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
        QWidget* text = edit.viewport();
        Press(text, ViewportPointOf(edit, 1));
        Move(text, ViewportPointOf(edit, 3));
        EXPECT_EQ(edit.GetSelection().cpMin, 1);
        EXPECT_EQ(edit.GetSelection().cpMax, 3);
        Move(text, ViewportPointOf(edit, 7));
        EXPECT_EQ(edit.GetSelection().cpMin, words ? 0 : 1);
        EXPECT_EQ(edit.GetSelection().cpMax, words ? 9 : 7);
        Move(text, ViewportPointOf(edit, 2));
        EXPECT_EQ(edit.GetSelection().cpMin, 1);
        EXPECT_EQ(edit.GetSelection().cpMax, 2);
        Release(text, ViewportPointOf(edit, 2));
    }
}
