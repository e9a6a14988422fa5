#include "controls/KxRichEdit.h"
#include "controls/Printer.h"
#include "controls/RtfReader.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "tests/controls/RichEditStreams.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A picture of two colours, so that a wrong row order or size shows.
QImage TwoColourImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, width, height / 2, Qt::red);
    return image;
}

// The pictures of a document, in order.
std::vector<QTextImageFormat> PicturesOf(const QTextDocument& document) {
    std::vector<QTextImageFormat> pictures;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                for (int i = 0; i < it.fragment().length(); ++i)
                    pictures.push_back(it.fragment().charFormat().toImageFormat());
            }
        }
    }
    return pictures;
}

void PasteImage(TKxRichEdit& edit, const QImage& image) {
    auto* data = new QMimeData;
    data->setImageData(image);
    QApplication::clipboard()->setMimeData(data);
    edit.PasteFromClipboard();
}

// Text, a pasted picture, text.
void FillWithPicture(TKxRichEdit& edit, const QImage& image) {
    edit.SetSelText("prima ");
    edit.SetSelStart(edit.GetTextLen());
    PasteImage(edit, image);
    edit.SetSelStart(edit.GetTextLen());
    edit.SetSelText(" dopo");
}

QString RunTool(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0)
        << program.toStdString() << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray BigEndian32(quint32 value) {
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xFF);
    return out;
}

// A PNG whose header claims the given size; its data is a real 1-pixel picture's.
QByteArray PngClaiming(quint32 width, quint32 height) {
    QByteArray png = richtext::EncodePng(TwoColourImage(1, 1));
    const QByteArray header = "IHDR" + BigEndian32(width) + BigEndian32(height) + png.mid(24, 5);
    png.replace(12, 17, header);
    png.replace(29, 4, BigEndian32(Crc32(header)));
    return png;
}

QByteArray LittleEndian(qint64 value, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char(i < 8 ? (value >> (8 * i)) & 0xFF : 0);
    return out;
}

// A device-independent bitmap's information header.
QByteArray DibHeader(qint32 width, qint32 height, int bits, int compression = 0, int colours = 0) {
    return LittleEndian(40, 4) + LittleEndian(width, 4) + LittleEndian(height, 4) +
           LittleEndian(1, 2) + LittleEndian(bits, 2) + LittleEndian(compression, 4) +
           LittleEndian(0, 12) + LittleEndian(colours, 4) + LittleEndian(0, 4);
}

QByteArray Jpeg(const QImage& image) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return jpeg;
}

// A JPEG whose frame header claims the given size; the rest is a real picture's.
QByteArray JpegClaiming(quint16 width, quint16 height) {
    QByteArray jpeg = Jpeg(TwoColourImage(8, 8));
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    EXPECT_GT(frame, 0) << "no baseline frame header";
    const auto big = [](quint16 value) { return QByteArray{char(value >> 8), char(value & 0xFF)}; };
    jpeg.replace(frame + 5, 4, big(height) + big(width));
    return jpeg;
}

QByteArray Pict(const char* words, const QByteArray& data) {
    return QByteArray("{\\pict") + words + ' ' + data.toHex() + '}';
}

} // namespace

TEST(KxRichEditPicture, PastedPicturesSaveAsRichTextAndReadBackTheSameSize) {
    const QImage image = TwoColourImage(40, 30);
    TKxRichEdit edit;
    FillWithPicture(edit, image);
    EXPECT_EQ(edit.GetTextRange(0, -1), "prima \uFFFC dopo");
    edit.SetSelection(6, 7, false);
    EXPECT_EQ(edit.SelectionType(), TRichSelectionType(stObject));
    edit.SetSelection(5, 8, false);
    EXPECT_EQ(edit.SelectionType(), TRichSelectionType(stText) | stMultiChar | stObject);
    edit.CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), "  ");
    edit.SetSelection(6, 7, false);
    edit.CopyToClipboard();
    EXPECT_EQ(qvariant_cast<QImage>(QApplication::clipboard()->mimeData()->imageData()).size(),
              image.size());

    const QByteArray rtf = Saved(edit, sfRichText);
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw40\\pich30\\picwgoal600\\pichgoal450"));
    TKxRichEdit loaded;
    Load(loaded, rtf, sfRichText);
    EXPECT_EQ(loaded.GetTextRange(0, -1), "prima \uFFFC dopo");
    const auto pictures = PicturesOf(*loaded.document());
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].width(), 40);
    EXPECT_EQ(pictures[0].height(), 30);
    const QImage read = richtext::PictureOf(*loaded.document(), pictures[0]);
    EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32), image);

    // Without objects, and as plain text, the picture is left out.
    EXPECT_FALSE(Saved(edit, sfRichText, smNoObjects).contains("\\pict"));
    EXPECT_EQ(Saved(edit, sfPlainText), "prima  dopo");
    // A plain-text control takes no picture.
    TKxRichEdit plain;
    plain.SetPlainText(true);
    Load(plain, rtf, sfRichText);
    EXPECT_EQ(plain.GetTextRange(0, -1), "prima  dopo");
    PasteImage(plain, image);
    EXPECT_EQ(plain.GetTextRange(0, -1), "prima  dopo");
}

TEST(KxRichEditPicture, OtherProgramsReadOurPictures) {
    ASSERT_FALSE(QStandardPaths::findExecutable("unrtf").isEmpty()) << "unrtf is not installed";
    ASSERT_FALSE(QStandardPaths::findExecutable("pandoc").isEmpty()) << "pandoc is not installed";
    TKxRichEdit edit;
    FillWithPicture(edit, TwoColourImage(40, 30));
    QTemporaryDir dir;
    edit.Lines.SaveToFile(dir.filePath("picture.rtf"));

    const QString unrtf = RunTool("unrtf", {"--html", "picture.rtf"}, dir.path());
    EXPECT_TRUE(unrtf.contains(QRegularExpression("prima.*<img src=\"[^\"]+\\.png\".*dopo",
                                                  QRegularExpression::DotMatchesEverythingOption)))
        << unrtf.toStdString();
    const QStringList written = QDir(dir.path()).entryList({"*.png"});
    ASSERT_EQ(written.size(), 1) << written.join(' ').toStdString();
    EXPECT_EQ(QImage(dir.filePath(written[0])).size(), QSize(40, 30));

    const QString pandoc =
        RunTool("pandoc", {"-f", "rtf", "-t", "html", "picture.rtf"}, dir.path());
    // 40 by 30 pixels at 96 per inch.
    EXPECT_TRUE(pandoc.contains(
        QRegularExpression("prima\\s*<img[^>]*width:0.41667in;height:0.3125in[^>]*>\\s*dopo")))
        << pandoc.toStdString();
}

TEST(KxRichEditPicture, PicturesReadFromRichTextAreBounded) {
    const QByteArray png = richtext::EncodePng(TwoColourImage(4, 2));
    const QByteArray jpeg = Jpeg(TwoColourImage(8, 6));
    // 2 x 2, 24 bits, bottom row first: blue, red; then green, white.
    const QByteArray dib24 = DibHeader(2, 2, 24) + QByteArray::fromHex("ff00000000ff0000") +
                             QByteArray::fromHex("00ff00ffffff0000");
    // 3 x 2, 1 bit, top row first, two colours.
    const QByteArray dib1 = DibHeader(3, -2, 1) + QByteArray::fromHex("00000000ffffff00") +
                            QByteArray::fromHex("a0000000") + QByteArray::fromHex("40000000");
    // 1 x 1, 32 bits by bit fields.
    const QByteArray dibFields = DibHeader(1, 1, 32, 3) +
                                 QByteArray::fromHex("0000ff0000ff0000ff000000") +
                                 QByteArray::fromHex("0000ff00");
    struct Case {
        const char* name;
        QByteArray rtf;
        QSize size; // of the one picture kept; empty when it is left out
        QSizeF shown = {};
    };
    const QByteArray hugeBin = "\\bin" + QByteArray::number(richtext::MaxPictureBytes + 1) + ' ' +
                               QByteArray(richtext::MaxPictureBytes + 1, '\0');
    const Case cases[] = {
        {"png", Pict("\\pngblip", png), {4, 2}, {4, 2}},
        {"png shown scaled",
         Pict("\\pngblip\\picwgoal150\\pichgoal300\\picscalex200", png),
         {4, 2},
         {20, 20}},
        {"png as binary",
         "{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + ' ' + png + '}',
         {4, 2}},
        {"png in Word's wrapper",
         "{\\*\\shppict" + Pict("{\\*\\picprop{\\sp{\\sn a}{\\sv 7}}}\\pngblip", png) +
             "}{\\nonshppict" + Pict("\\wmetafile8", png) + '}',
         {4, 2}},
        {"dib 24 bits", Pict("\\dibitmap0", dib24), {2, 2}},
        {"dib 1 bit top down", Pict("\\dibitmap0", dib1), {3, 2}},
        {"dib bit fields", Pict("\\dibitmap0", dibFields), {1, 1}},
        {"png too large", Pict("\\pngblip", PngClaiming(100000, 100000)), {}},
        {"png wider than int", Pict("\\pngblip", PngClaiming(0x80000000u, 1)), {}},
        {"png truncated", Pict("\\pngblip", png.left(png.size() / 2)), {}},
        {"dib too large", Pict("\\dibitmap0", DibHeader(100000, 100000, 24)), {}},
        {"dib truncated", Pict("\\dibitmap0", dib24.chopped(1)), {}},
        {"dib run-length", Pict("\\dibitmap0", DibHeader(2, 2, 8, 1) + QByteArray(64, '\0')), {}},
        {"dib palette too long",
         Pict("\\dibitmap0", DibHeader(1, 1, 8, 0, 257) + QByteArray(2000, 1)),
         {}},
        {"dib header only", Pict("\\dibitmap0", dib24.left(20)), {}},
        {"png named a bitmap", Pict("\\dibitmap0", png), {}},
        {"bitmap named a png", Pict("\\pngblip", dib24), {}},
        {"jpeg", Pict("\\jpegblip", jpeg), {8, 6}},
        {"jpeg shown scaled", Pict("\\jpegblip\\picwgoal300\\pichgoal150", jpeg), {8, 6}, {20, 10}},
        {"jpeg too large", Pict("\\jpegblip", JpegClaiming(60000, 60000)), {}},
        {"jpeg cut in its header", Pict("\\jpegblip", jpeg.left(100)), {}},
        {"jpeg cut in its data", Pict("\\jpegblip", jpeg.chopped(3)), {}},
        {"jpeg named a png", Pict("\\pngblip", jpeg), {}},
        {"png named a jpeg", Pict("\\jpegblip", png), {}},
        {"metafile", Pict("\\wmetafile8", png), {}},
        {"two kinds", Pict("\\pngblip\\jpegblip", png), {}},
        {"no kind", Pict("", png), {}},
        {"odd hex", "{\\pict\\pngblip " + png.toHex() + "0}", {}},
        {"not hex", "{\\pict\\pngblip " + png.toHex().replace(10, 1, "g") + '}', {}},
        {"escape in data", "{\\pict\\pngblip " + png.toHex().insert(10, "\\'41") + '}', {}},
        {"hex split by blanks and a group",
         "{\\pict\\pngblip " + png.toHex().insert(10, "\r\n {\\*\\blipuid 00}  ") + '}',
         {4, 2}},
        {"data over the bound", "{\\pict\\pngblip" + hugeBin + '}', {}},
        {"picture in the font table", "{\\fonttbl" + Pict("\\pngblip", png) + '}', {}},
        {"picture in a picture", "{\\pict\\pngblip " + Pict("\\pngblip", png) + '}', {}},
        {"unclosed", "{\\pict\\pngblip " + png.toHex(), {}},
    };
    for (const Case& c : cases) {
        QTextDocument document;
        QTextCursor cursor(&document);
        ASSERT_TRUE(RtfReader(richtext::CharFormat{}).Read("{\\rtf1 a" + c.rtf + "b}", cursor))
            << c.name;
        const auto pictures = PicturesOf(document);
        const bool kept = !c.size.isEmpty();
        const bool unclosed = std::string_view(c.name) == "unclosed";
        EXPECT_EQ(document.toPlainText(), unclosed ? "a" : kept ? "a\uFFFCb" : "ab") << c.name;
        ASSERT_EQ(pictures.size(), kept ? 1u : 0u) << c.name;
        if (!kept)
            continue;
        EXPECT_EQ(richtext::PictureOf(document, pictures[0]).size(), c.size) << c.name;
        const QSizeF shown = c.shown.isEmpty() ? QSizeF(c.size) : c.shown;
        EXPECT_EQ(QSizeF(pictures[0].width(), pictures[0].height()), shown) << c.name;
    }
    // The bitmaps' pixels stand where the bitmap put them.
    QTextDocument document;
    QTextCursor cursor(&document);
    RtfReader(richtext::CharFormat{})
        .Read("{\\rtf1 " + Pict("\\dibitmap0", dib24) + Pict("\\dibitmap0", dib1) + '}', cursor);
    const auto pictures = PicturesOf(document);
    ASSERT_EQ(pictures.size(), 2u);
    const QImage image24 = richtext::PictureOf(document, pictures[0]);
    EXPECT_EQ(QColor(image24.pixel(0, 1)), QColor(Qt::blue));
    EXPECT_EQ(QColor(image24.pixel(1, 1)), QColor(Qt::red));
    EXPECT_EQ(QColor(image24.pixel(0, 0)), QColor(Qt::green));
    const QImage image1 = richtext::PictureOf(document, pictures[1]);
    EXPECT_EQ(QColor(image1.pixel(0, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(image1.pixel(1, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(image1.pixel(1, 1)), QColor(Qt::white));
}

TEST(KxRichEditPicture, JpegPicturesAreShownAndWrittenBackAsPng) {
    TKxRichEdit edit;
    Load(edit, "{\\rtf1 prima " + Pict("\\jpegblip", Jpeg(TwoColourImage(40, 30))) + " dopo}",
         sfRichText);
    EXPECT_EQ(edit.GetTextRange(0, -1), "prima \uFFFC dopo");
    const auto pictures = PicturesOf(*edit.document());
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(QSizeF(pictures[0].width(), pictures[0].height()), QSizeF(40, 30));
    const QImage read = richtext::PictureOf(*edit.document(), pictures[0]);
    ASSERT_EQ(read.size(), QSize(40, 30));
    // Near enough the colours for a lossy picture: red above, blue below.
    EXPECT_GT(QColor(read.pixel(20, 5)).red(), 200);
    EXPECT_GT(QColor(read.pixel(20, 25)).blue(), 200);

    const QByteArray rtf = Saved(edit, sfRichText);
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw40\\pich30\\picwgoal600\\pichgoal450"));
    EXPECT_FALSE(rtf.contains("jpegblip"));
    TKxRichEdit loaded;
    Load(loaded, rtf, sfRichText);
    const auto again = PicturesOf(*loaded.document());
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(
        richtext::PictureOf(*loaded.document(), again[0]).convertToFormat(QImage::Format_RGB32),
        read.convertToFormat(QImage::Format_RGB32));
}

TEST(KxRichEditPicture, PasteSpecialOffersWhatTheClipboardHolds) {
    TKxRichEdit source;
    FillWithPicture(source, TwoColourImage(8, 6));
    source.SetSelection(0, 5, false);
    source.SelAttributes.SetStyle(fsBold);
    source.SelectAll();
    source.CopyToClipboard();
    // The clipboard now holds rich text, text and, added here, a bitmap.
    auto* data = new QMimeData;
    for (const QString& format : QApplication::clipboard()->mimeData()->formats())
        data->setData(format, QApplication::clipboard()->mimeData()->data(format));
    data->setImageData(TwoColourImage(5, 5));
    QApplication::clipboard()->setMimeData(data);

    QStringList offered;
    QString result;
    int pick = 0;
    bool confirm = true;
    SetShowModalHook([&](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>("ListFormats");
        offered.clear();
        for (int i = 0; i < list->count(); ++i)
            offered << list->item(i)->text();
        list->setCurrentRow(pick);
        result = dialog.findChild<QLabel*>("LabelResult")->text();
        return confirm ? QDialog::Accepted : QDialog::Rejected;
    });
    struct Case {
        int pick;
        QString text;
        size_t pictures;
        bool bold;
        QString result;
    };
    const Case cases[] = {
        {0, "prima \uFFFC dopo", 1, true, "Rich Text Format"},
        {1, "prima  dopo", 0, true, "Rich Text Format Without Objects"},
        {2, "prima  dopo", 0, false, "text without any formatting"},
        {3, "\uFFFC", 1, false, "bitmap image"},
    };
    for (const Case& c : cases) {
        TKxRichEdit target;
        pick = c.pick;
        EXPECT_TRUE(target.PasteSpecialDialog()) << c.pick;
        EXPECT_EQ(offered, QStringList({"Rich Text Format", "Rich Text Format Without Objects",
                                        "Unformatted text", "Windows Bitmap"}));
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(target.GetTextRange(0, -1), c.text) << c.pick;
        EXPECT_EQ(PicturesOf(*target.document()).size(), c.pictures) << c.pick;
        target.SetSelection(0, 1, false);
        EXPECT_EQ(bool(target.SelAttributes.Style() & fsBold), c.bold) << c.pick;
    }
    TKxRichEdit target;
    confirm = false;
    EXPECT_FALSE(target.PasteSpecialDialog());
    EXPECT_EQ(target.GetTextLen(), 0);

    // Only what the clipboard holds is offered; a plain-text control takes no picture.
    confirm = true;
    pick = 0;
    target.SetPlainText(true);
    EXPECT_TRUE(target.PasteSpecialDialog());
    EXPECT_EQ(offered, QStringList({"Unformatted text"}));
    QApplication::clipboard()->setText("solo testo");
    TKxRichEdit rich;
    EXPECT_TRUE(rich.PasteSpecialDialog());
    EXPECT_EQ(offered, QStringList({"Unformatted text"}));
    EXPECT_EQ(rich.GetTextRange(0, -1), "solo testo");

    // Nothing to offer, or nothing to paste into: no window at all.
    offered.clear();
    QApplication::clipboard()->clear();
    EXPECT_FALSE(rich.PasteSpecialDialog());
    QApplication::clipboard()->setText("x");
    rich.SetReadOnly(true);
    EXPECT_FALSE(rich.PasteSpecialDialog());
    EXPECT_TRUE(offered.isEmpty());
    SetShowModalHook({});
}

TEST(KxRichEditPicture, PastedAndDroppedPicturesWithinTheLimits) {
    TKxRichEdit edit;
    edit.show();
    int beeps = 0;
    SetBeepHook([&](int) { ++beeps; });
    edit.SetMaxLength(3);
    edit.SetSelText("abc");
    edit.SetSelStart(3);
    PasteImage(edit, TwoColourImage(2, 2));
    EXPECT_EQ(edit.GetTextRange(0, -1), "abc");
    edit.SetMaxLength(0);
    QImage tooLarge(16385, 4097, QImage::Format_Mono);
    tooLarge.fill(0);
    PasteImage(edit, tooLarge);
    EXPECT_EQ(edit.GetTextRange(0, -1), "abc");
    EXPECT_EQ(beeps, 2);
    SetBeepHook({});
    PasteImage(edit, TwoColourImage(2, 2));
    EXPECT_EQ(edit.GetTextRange(0, -1), "abc\uFFFC");
    EXPECT_EQ(edit.UndoName(), unPaste);

    // Dropped at the start.
    QMimeData dropped;
    dropped.setImageData(TwoColourImage(3, 3));
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QApplication::sendEvent(edit.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QApplication::sendEvent(edit.viewport(), &drop);
    EXPECT_EQ(edit.GetTextRange(0, -1), "\uFFFCabc\uFFFC");
    EXPECT_EQ(edit.UndoName(), unDragDrop);

    // Without objects no picture comes in, neither pasted nor read.
    TKxRichEdit without;
    without.AllowObjects = false;
    PasteImage(without, TwoColourImage(2, 2));
    EXPECT_FALSE(without.CanPaste());
    Load(without, Saved(edit, sfRichText), sfRichText);
    EXPECT_EQ(without.GetTextRange(0, -1), "abc");
}

TEST(KxRichEditPicture, PrintsPictures) {
    QTemporaryDir dir;
    QPrinter& printer = printing::Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    const auto printed = [&](TKxRichEdit& edit) {
        printer.setOutputFileName(dir.filePath("out.pdf"));
        edit.Print("Immagine");
        QFile file(dir.filePath("out.pdf"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    TKxRichEdit edit;
    edit.SetSelText("testo");
    EXPECT_FALSE(printed(edit).contains("/Subtype /Image"));
    FillWithPicture(edit, TwoColourImage(40, 30));
    EXPECT_TRUE(printed(edit).contains("/Subtype /Image"));
    printer.setOutputFileName({});
}

TEST(KxRichEditPicture, SaveClipboardDecidesAtDestruction) {
    struct Case {
        bool keep;
        bool replaced; // another program took the clipboard before
    };
    for (const Case c : {Case{true, false}, Case{false, false}, Case{false, true}}) {
        std::vector<std::pair<int, int>> asked;
        {
            TKxRichEdit edit;
            FillWithPicture(edit, TwoColourImage(3, 3));
            edit.SetSelection(3, 8, false);
            edit.CopyToClipboard();
            if (c.replaced)
                QApplication::clipboard()->setText("altrui");
            edit.OnSaveClipboard = [&](QObject* sender, int objects, int chars, bool& save) {
                EXPECT_EQ(sender, &edit);
                EXPECT_TRUE(save);
                asked.emplace_back(objects, chars);
                save = c.keep;
            };
        }
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (c.replaced) {
            EXPECT_TRUE(asked.empty());
            EXPECT_EQ(data->text(), "altrui");
            continue;
        }
        EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{1, 5}})) << c.keep;
        EXPECT_EQ(data && data->hasText(), c.keep);
        if (c.keep) {
            EXPECT_EQ(data->text(), "ma  ");
        }
    }

    // The application's end asks once; the control's end then does not ask again.
    int asked = 0;
    {
        TKxRichEdit edit;
        edit.SetSelText("fine");
        edit.SelectAll();
        edit.CopyToClipboard();
        edit.OnSaveClipboard = [&](QObject*, int, int, bool& save) {
            ++asked;
            save = false;
        };
        QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection);
        EXPECT_EQ(asked, 1);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        EXPECT_FALSE(data && data->hasText());
    }
    EXPECT_EQ(asked, 1);
}
