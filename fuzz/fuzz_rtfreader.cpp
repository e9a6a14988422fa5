// Any bytes read as rich text without harm, and what was read written and read back the same.

#include "controls/RtfReader.h"
#include "controls/RtfWriter.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_rtfreader";
    static char* argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    (void)offscreen;
    richtext::CharFormat base;
    base.mask = richtext::CFM_ALL;
    base.effects = richtext::CFE_AUTOCOLOR | richtext::CFE_AUTOBACKCOLOR;
    base.height = 200;
    base.faceName = "Sans";
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument first;
    QTextCursor cursor(&first);
    if (!RtfReader(base).Read(bytes, cursor))
        return 0;
    const QByteArray written = RtfWriter(base).Write(first);
    QTextDocument second;
    QTextCursor again(&second);
    if (!RtfReader(base).Read(written, again))
        std::abort();
    if (second.toRawText() != first.toRawText())
        std::abort();
    return 0;
}
