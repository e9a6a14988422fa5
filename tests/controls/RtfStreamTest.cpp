#include "controls/KxRichEdit.h"
#include "controls/RtfReader.h"
#include "controls/RtfWriter.h"
#include "storage/Kxstrutils.h"
#include "tests/controls/RichEditStreams.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace platform;

namespace richtext {

void PrintTo(const ParaFormat& p, std::ostream* os) {
    *os << "{numbering " << p.numbering << " effects " << p.effects << " indents " << p.startIndent
        << '/' << p.rightIndent << '/' << p.offset << " alignment " << p.alignment << " tabs "
        << p.tabCount << " space " << p.spaceBefore << '/' << p.spaceAfter << " line "
        << p.lineSpacing << '/' << int(p.lineSpacingRule) << " style " << p.style << " numbering "
        << p.numberingStyle << '/' << p.numberingTab << '}';
}

void PrintTo(const CharFormat& c, std::ostream* os) {
    *os << "{mask " << c.mask << " effects " << c.effects << " height " << c.height << " offset "
        << c.offset << " colours " << c.textColor << '/' << c.backColor << " face "
        << c.faceName.toStdString() << ' ' << int(c.charSet) << '/' << int(c.pitchAndFamily)
        << " weight " << c.weight << " author " << int(c.revAuthor) << " underline "
        << int(c.underlineType) << '}';
}

} // namespace richtext

namespace {

// Every attribute the control keeps, over several runs and paragraphs.
void FillWithEveryAttribute(TKxRichEdit& edit) {
    edit.SetSelText("Grassetto rosso\rcorsivo \u20ac \u0416 {graffe} \\ fine\rultima");
    auto runs = [&](int from, int to, auto&& set) {
        edit.SetSelection(from, to, false);
        set(edit.SelAttributes);
    };
    runs(0, 9, [](auto& a) { a.SetStyle(fsBold); });
    runs(10, 15, [](auto& a) {
        a.SetColor(clRed);
        a.SetBackColor(clYellow);
        a.SetName("Courier New");
        a.SetCharset(238);
        a.SetSize(15);
    });
    runs(16, 23, [](auto& a) {
        a.SetStyle(TFontStyles(fsItalic) | fsStrikeOut);
        a.SetUnderlineType(utDouble);
        a.SetOffset(4);
    });
    runs(24, 27, [](auto& a) {
        a.SetProtected(true);
        a.SetLink(true);
        a.SetHidden(true);
    });
    runs(28, 36, [](auto& a) {
        a.SetDisabled(true);
        a.SetRevAuthorIndex(3);
        a.SetSubscriptStyle(ssSubscript);
    });
    edit.SetSelection(0, 1, false);
    edit.Paragraph.SetAlignment(paCenter);
    edit.Paragraph.SetFirstIndent(20);
    edit.Paragraph.SetLeftIndent(-10);
    edit.Paragraph.SetRightIndent(5);
    edit.Paragraph.SetSpaceBefore(3);
    edit.Paragraph.SetSpaceAfter(6);
    edit.Paragraph.SetTabCount(2);
    edit.Paragraph.SetTab(0, 36);
    edit.Paragraph.SetTab(1, 72);
    edit.SetSelection(17, 50, false);
    edit.Paragraph.SetNumbering(nsLoCaseRoman);
    edit.Paragraph.SetNumberingStyle(nsPeriod);
    edit.Paragraph.SetNumberingTab(8);
    edit.Paragraph.SetLineSpacingRule(lsMultiple);
    edit.Paragraph.SetLineSpacing(2);
    edit.Paragraph.SetHeadingStyle(-2);
    edit.Paragraph.SetTableStyle(tsTableCell);
}

std::vector<richtext::CharFormat> CharsOf(TKxRichEdit& edit) {
    std::vector<richtext::CharFormat> chars;
    for (int i = 0; i < edit.GetTextLen(); ++i) {
        edit.SetSelection(i, i + 1, false);
        chars.push_back(edit.SelAttributes.GetAttributes());
    }
    return chars;
}

std::vector<richtext::ParaFormat> ParasOf(TKxRichEdit& edit) {
    std::vector<richtext::ParaFormat> paras;
    for (QTextBlock b = edit.document()->firstBlock(); b.isValid(); b = b.next()) {
        edit.SetSelStart(b.position());
        paras.push_back(edit.Paragraph.GetAttributes());
    }
    return paras;
}

QString ToolOutput(const QString& program, const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

TEST(RtfStream, EveryAttributeSurvivesOurWriterAndReader) {
    TKxRichEdit source;
    FillWithEveryAttribute(source);
    const QByteArray rtf = Saved(source, sfRichText);
    TKxRichEdit target;
    Load(target, rtf, sfRichText);
    EXPECT_EQ(target.GetTextRange(0, -1), source.GetTextRange(0, -1));
    EXPECT_EQ(CharsOf(target), CharsOf(source));
    EXPECT_EQ(ParasOf(target), ParasOf(source));
    EXPECT_EQ(Saved(target, sfRichText), rtf);
    target.SetSelection(10, 15, false);
    EXPECT_EQ(target.SelAttributes.Color(), clRed);
    EXPECT_EQ(target.SelAttributes.Name(), "Courier New");
    target.SetSelStart(20);
    EXPECT_EQ(target.Paragraph.Numbering(), nsLoCaseRoman);
    EXPECT_NE(target.document()->findBlock(20).textList(), nullptr);
}

TEST(RtfStream, OthersReadOurRichText) {
    TKxRichEdit edit;
    edit.SetSelText("Grassetto Corsivo Rosso");
    edit.SetSelection(0, 9, false);
    edit.SelAttributes.SetStyle(fsBold);
    edit.SetSelection(10, 17, false);
    edit.SelAttributes.SetStyle(fsItalic);
    edit.SetSelection(18, 23, false);
    edit.SelAttributes.SetColor(clRed);
    const QByteArray rtf = Saved(edit, sfRichText);
    ASSERT_FALSE(QStandardPaths::findExecutable("unrtf").isEmpty()) << "unrtf is not installed";
    ASSERT_FALSE(QStandardPaths::findExecutable("pandoc").isEmpty()) << "pandoc is not installed";

    QTemporaryDir dir;
    QFile file(dir.filePath("out.rtf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rtf);
    file.close();
    const QString unrtf = ToolOutput("unrtf", {"--html", file.fileName()}, {});
    EXPECT_TRUE(unrtf.contains(QRegularExpression("<b>\\s*Grassetto"))) << unrtf.toStdString();
    EXPECT_TRUE(unrtf.contains(QRegularExpression("<i>\\s*Corsivo"))) << unrtf.toStdString();
    EXPECT_TRUE(unrtf.contains(
        QRegularExpression("#ff0000\"?>\\s*Rosso", QRegularExpression::CaseInsensitiveOption)))
        << unrtf.toStdString();
    const QString pandoc = ToolOutput("pandoc", {"-f", "rtf", "-t", "html"}, rtf);
    EXPECT_TRUE(pandoc.contains("<strong>Grassetto</strong>")) << pandoc.toStdString();
    EXPECT_TRUE(pandoc.contains("<em>Corsivo</em>")) << pandoc.toStdString();
    EXPECT_TRUE(pandoc.contains("Rosso")) << pandoc.toStdString();
}

TEST(RtfStream, PandocsRichTextLoads) {
    ASSERT_FALSE(QStandardPaths::findExecutable("pandoc").isEmpty()) << "pandoc is not installed";
    const QString rtf = ToolOutput("pandoc", {"-f", "markdown", "-t", "rtf", "-s"},
                                   "Prima **grassetta** e *corsiva* \xc3\xa8\n\nSeconda riga\n");
    TKxRichEdit edit;
    Load(edit, rtf.toUtf8(), sfRichText);
    EXPECT_EQ(edit.Lines.Get(0), "Prima grassetta e corsiva \u00e8");
    EXPECT_EQ(edit.Lines.Get(1), "Seconda riga");
    edit.SetSelection(6, 15, false);
    EXPECT_EQ(edit.SelAttributes.Style(), TFontStyles(fsBold));
    edit.SetSelection(18, 25, false);
    EXPECT_EQ(edit.SelAttributes.Style(), TFontStyles(fsItalic));
}

TEST(RtfStream, PlainTextBreaksAndEncodings) {
    TKxRichEdit edit;
    Load(edit, "a\nb\rc\r\nd", sfPlainText);
    EXPECT_EQ(edit.Lines.Count(), 4);
    EXPECT_EQ(edit.Lines.Text(), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(Saved(edit, sfPlainText), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(Saved(edit, sfPlainText, smUnicode),
              QByteArray("a\0\r\0\n\0b\0\r\0\n\0c\0\r\0\n\0d\0", 20));
    Load(edit, QByteArray("\xe8\0\x16\x04", 4), sfPlainText, smUnicode);
    EXPECT_EQ(edit.GetTextRange(0, -1), "\u00e8\u0416");
    Load(edit, "caff\xe8", sfPlainText);
    EXPECT_EQ(edit.GetTextRange(0, -1), "caff\u00e8");
}

TEST(RtfStream, AFailedFirstFormatIsRetriedFromWhereTheStreamBegan) {
    TKxRichEdit edit;
    QByteArray data = "HEADERplain words";
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(6);
    edit.Lines.Format = sfRichText;
    edit.Lines.Mode = smSelection;
    edit.SetSelText("[old]");
    edit.SetSelection(1, 4, false);
    edit.Lines.LoadFromStream(buffer);
    EXPECT_EQ(edit.GetTextRange(0, -1), "[plain words]");
    Load(edit, "{\\rtf1 {\\b bold}}", sfPlainText);
    EXPECT_EQ(edit.GetTextRange(0, -1), "{\\rtf1 {\\b bold}}");
}

TEST(RtfStream, AFailedLoadRaisesAndKeepsTheText) {
    struct Failing : TConversion {
        int ConvertReadStream(QIODevice&, char*, int) override { throw std::runtime_error("disk"); }
        int ConvertWriteStream(QIODevice&, const char*, int) override { return 0; }
    };
    TKxRichEdit edit;
    edit.SetSelText("keep me");
    edit.DefaultConversion = ConversionClassOf<Failing>();
    EXPECT_THROW(Load(edit, "text", sfPlainText), EOutOfResources);
    EXPECT_EQ(edit.GetTextRange(0, -1), "keep me");
    EXPECT_THROW(Saved(edit, sfRichText), EOutOfResources);
}

TEST(RtfStream, OemConversionTakesAllBytesBothWays) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QByteArray oem;
    {
        QBuffer out(&oem);
        out.open(QIODevice::WriteOnly);
        TOEMConversion conversion;
        EXPECT_EQ(conversion.ConvertWriteStream(out, all.constData(), 256), 256);
    }
    QByteArray back(256, 0);
    QBuffer in(&oem);
    in.open(QIODevice::ReadOnly);
    TOEMConversion conversion;
    EXPECT_EQ(conversion.ConvertReadStream(in, back.data(), 256), 256);
    for (int b = 0; b < 256; ++b) {
        const bool inBoth = b < 0x80 || b >= 0xA0;
        EXPECT_EQ(uchar(back[b]), inBoth ? b : '?') << b;
        EXPECT_EQ(oem[b], StrToOem(QString(QChar(b))).toLatin1()[0]) << b;
    }
}

TEST(RtfStream, FilesChooseFormatAndConversionByExtension) {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& data) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return file.fileName();
    };
    TKxRichEdit edit;
    edit.Lines.Format = sfRichText;
    edit.Lines.LoadFromFile(write("Note.TXT", "{\\rtf1 not rich}\r\n\x82"));
    EXPECT_EQ(edit.Lines.Format, sfRichText);
    EXPECT_EQ(edit.Lines.Get(0), "{\\rtf1 not rich}");
    EXPECT_EQ(edit.Lines.Get(1), "\u0082");
    ASSERT_NE(edit.Lines.Conversion(), nullptr);
    EXPECT_EQ(dynamic_cast<TOEMConversion*>(edit.Lines.Conversion()), nullptr);

    TKxCustomRichEdit::RegisterConversionFormat("OEM", true, ConversionClassOf<TOEMConversion>());
    const QString oem = write("dos.oem", "caff\x8a");
    edit.Lines.LoadFromFile(oem);
    EXPECT_EQ(edit.Lines.Get(0), "caff\u008a") << "the strings kept their first conversion";
    TKxRichEdit fresh;
    fresh.Lines.LoadFromFile(oem);
    EXPECT_EQ(fresh.Lines.Get(0), "caff\u00e8");
    fresh.Lines.SaveToFile(dir.filePath("back.oem"));
    QFile back(dir.filePath("back.oem"));
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), "caff\x8a");

    EXPECT_THROW(fresh.Lines.LoadFromFile(dir.filePath("missing.rtf")), std::runtime_error);
    EXPECT_EQ(fresh.Lines.Get(0), "caff\u00e8");
}

TEST(RtfStream, AFailedSaveRaisesAndLeavesWhatWasThere) {
    QTemporaryDir dir;
    const QString name = dir.filePath("taken.rtf");
    ASSERT_TRUE(QDir().mkdir(name));
    QFile inside(name + "/old.txt");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write("old");
    inside.close();
    TKxRichEdit edit;
    edit.SetSelText("new");
    EXPECT_THROW(edit.Lines.SaveToFile(name), std::runtime_error);
    ASSERT_TRUE(inside.open(QIODevice::ReadOnly));
    EXPECT_EQ(inside.readAll(), "old");
}

TEST(RtfStream, SelectionModeReplacesOnlyTheSelection) {
    TKxRichEdit edit;
    edit.SetSelText("left|right");
    edit.SetSelection(4, 5, false);
    Load(edit, "{\\rtf1 {\\b MID}}", sfRichText, smSelection);
    EXPECT_EQ(edit.GetTextRange(0, -1), "leftMIDright");
    edit.SetSelection(4, 7, false);
    EXPECT_EQ(edit.SelAttributes.Style(), TFontStyles(fsBold));
    EXPECT_EQ(Saved(edit, sfPlainText, smSelection), "MID");
}

TEST(RtfStream, ClipboardCarriesRichText) {
    TKxRichEdit source;
    source.SetSelText("bold plain");
    source.SetSelection(0, 4, false);
    source.SelAttributes.SetStyle(fsBold);
    source.SelectAll();
    source.CopyToClipboard();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(data->hasFormat("text/rtf"));
    EXPECT_EQ(data->text(), "bold plain");
    TKxRichEdit target;
    target.PasteFromClipboard();
    EXPECT_EQ(target.GetTextRange(0, -1), "bold plain");
    target.SetSelection(0, 4, false);
    EXPECT_EQ(target.SelAttributes.Style(), TFontStyles(fsBold));
}

TEST(RtfStream, PlainTextSwitchDropsTheFormatting) {
    TKxRichEdit edit;
    edit.SetSelText("red\rline");
    edit.SetSelection(0, 3, false);
    edit.SelAttributes.SetColor(clRed);
    edit.SetPlainText(true);
    EXPECT_EQ(edit.GetTextRange(0, -1), "red\rline");
    edit.SetSelection(0, 3, false);
    EXPECT_EQ(edit.SelAttributes.Color(), clWindowText);
    edit.SetPlainText(false);
    EXPECT_EQ(edit.GetTextRange(0, -1), "red\rline");
}

TEST(RtfReader, TakesAnyInput) {
    struct Case {
        const char* name;
        QByteArray data;
        QString text;
    };
    const Case cases[] = {
        {"escapes", "{\\rtf1 a\\'e8\\'80\\u1046?\\u-10179?\\u-8704?\\{\\}\\\\}",
         "a\u00e8\u20ac\u0416\U0001F600{}\\"},
        {"unicode skip", "{\\rtf1\\uc2 x\\u233\\'65\\'65y}", "x\u00e9y"},
        {"skip ends at a group's end", "{\\rtf1 {\\u233}x}", "\u00e9x"},
        {"skip ends at a group's start", "{\\rtf1\\uc2 \\u233{\\b x}y}", "\u00e9xy"},
        {"deep nesting",
         "{\\rtf1 a" + QByteArray(100000, '{') + "lost" + QByteArray(100000, '}') + "b}", "ab"},
        {"huge bin", "{\\rtf1 a\\bin99999999999 xyz}", "a"},
        {"bin inside", "{\\rtf1 a{\\*\\foo\\bin3 }}}}b}", "ab"},
        {"long word", "{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}", "ab"},
        {"long number", "{\\rtf1 a\\fs" + QByteArray(100000, '9') + " b}", "ab"},
        {"truncated", "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\b bold", "bold"},
        {"unbalanced", "{\\rtf1 a}}}}b", "a"},
        {"picture", "{\\rtf1 x{\\pict\\pngblip 89504e47}y}", "xy"},
        {"unknown", "{\\rtf1 {\\*\\unknown hidden}{\\foo shown}}", "shown"},
        {"bad colour", "{\\rtf1{\\colortbl;\\red300;}\\cf999 c\\cb-5 d}", "cd"},
        {"field", "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}", "link"},
    };
    for (const Case& c : cases) {
        QTextDocument document;
        QTextCursor cursor(&document);
        EXPECT_TRUE(RtfReader(richtext::CharFormat{}).Read(c.data, cursor)) << c.name;
        EXPECT_EQ(document.toPlainText(), c.text) << c.name;
    }
    QTextDocument document;
    QTextCursor cursor(&document);
    EXPECT_FALSE(RtfReader(richtext::CharFormat{}).Read("plain {\\rtf1 x}", cursor));
    EXPECT_TRUE(document.isEmpty());
}
