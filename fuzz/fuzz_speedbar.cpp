// Any bytes as a speed bar's stored section restore without harm and in bounded time, and the
// layout then saved comes back the same through a second save and restore. A section that put
// no button on the bar ("Count" 0) gives the built layout back, which is stable from then on.

#include "controls/SpeedBar.h"
#include "platform/IniFile.h"

#include "fuzz/MemoryFolder.h"
#include <QApplication>

#include <QFile>
#include <cstdlib>
#include <memory>

namespace {

const char* const Section = "QWidgetBar";

// The main window's bar in small: two sections, a few items, one of them hidden.
struct Form {
    QWidget form;
    TSpeedBar* bar;

    Form() {
        form.resize(300, 200);
        bar = new TSpeedBar(&form);
        bar->setObjectName(QStringLiteral("Bar"));
        bar->BeginLoading();
        bar->SetBtnWidth(26);
        bar->SetBtnHeight(26);
        bar->AddSection(QStringLiteral("File"));
        bar->AddSection(QStringLiteral("Zeltor"));
        int left = 3;
        for (const char* name : {"Save", "Open", "New", "Mail"}) {
            TSpeedItem* item = bar->NewItem(&form, left < 50 ? 0 : 1, QString::fromLatin1(name));
            item->SetLeft(left);
            item->SetTop(3);
            item->SetVisible(left != 81);
            left += 26;
        }
        bar->EndLoading();
    }
};

QStringList SectionOf(const QString& fileName) {
    TIniFile ini(fileName);
    QStringList lines;
    for (const QString& key : ini.ReadSection(QString::fromLatin1(Section)))
        lines << key + u'=' + ini.ReadString(QString::fromLatin1(Section), key, QString());
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_speedbar";
    static char* argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    static const std::unique_ptr<QTemporaryDir> folder =
        MemoryFolder(QStringLiteral("fuzz_speedbar"));
    QTemporaryDir& dir = *folder;
    (void)offscreen;
    // The files are the speed bar's to read, not the cache's to doubt: they count as settled at
    // once instead of being read again on every key within the margin of their writing.
    static const bool settled = [] {
        platform::SetIniFileClock({false, 10});
        return true;
    }();
    (void)settled;
    const QString files[] = {
        dir.filePath(QStringLiteral("input.ini")), dir.filePath(QStringLiteral("first.ini")),
        dir.filePath(QStringLiteral("second.ini")), dir.filePath(QStringLiteral("third.ini"))};
    for (const QString& file : files)
        QFile::remove(file);
    {
        QFile file(files[0]);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(QByteArray("[") + Section + "]\n");
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    for (int round = 1; round < 4; ++round) {
        Form form;
        form.bar->SetOptions(form.bar->Options() | sbAllowResize);
        TIniFile in(files[round - 1]);
        form.bar->RestoreLayout(&in);
        TIniFile out(files[round]);
        form.bar->SaveLayout(&out);
    }
    const QStringList first = SectionOf(files[1]);
    const QStringList second = SectionOf(files[2]);
    if (second != SectionOf(files[3]))
        std::abort();
    if (!first.contains(QStringLiteral("Count=0")) && first != second)
        std::abort();
    return 0;
}
