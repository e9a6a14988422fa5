// Any bytes read as rich text without harm, and what was read written and read back the same.
// The same bytes as the data of a PNG and of a bitmap picture: the text around it is kept and
// the picture is either one image or left out.

#include "controls/RtfReader.h"
#include "controls/RtfWriter.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdlib>

namespace {

richtext::CharFormat Base() {
    richtext::CharFormat base;
    base.mask = richtext::CFM_ALL;
    base.effects = richtext::CFE_AUTOCOLOR | richtext::CFE_AUTOBACKCOLOR;
    base.height = 200;
    base.faceName = "Sans";
    return base;
}

void ReadWrittenBack(const QByteArray& bytes) {
    QTextDocument first;
    QTextCursor cursor(&first);
    if (!RtfReader(Base()).Read(bytes, cursor))
        return;
    const QByteArray written = RtfWriter(Base()).Write(first);
    QTextDocument second;
    QTextCursor again(&second);
    if (!RtfReader(Base()).Read(written, again))
        std::abort();
    if (second.toRawText() != first.toRawText())
        std::abort();
}

void ReadAsPicture(const QByteArray& bytes, const char* kind) {
    const QByteArray rtf =
        QByteArray("{\\rtf1 a{\\pict") + kind + "\\picwgoal300 " + bytes.toHex() + "}b}";
    QTextDocument document;
    QTextCursor cursor(&document);
    if (!RtfReader(Base()).Read(rtf, cursor))
        std::abort();
    const QString text = document.toPlainText();
    if (text != QStringLiteral("ab") && text != QStringLiteral("a\uFFFCb"))
        std::abort();
    ReadWrittenBack(rtf);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_rtfreader";
    static char* argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    (void)offscreen;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ReadWrittenBack(bytes);
    ReadAsPicture(bytes, "\\pngblip");
    ReadAsPicture(bytes, "\\dibitmap0");
    return 0;
}
