// Any bytes as an INI file read without harm; writes keep what was read of other keys, and what
// they leave reads the same as the file they wrote read afresh.

#include "platform/IniFile.h"

#include "fuzz/MemoryFolder.h"

#include <QFile>
#include <cstdlib>

namespace {

// Every section, key and value as ini reads them.
QStringList Contents(const TIniFile& ini) {
    QStringList out;
    for (const QString& section : ini.ReadSections()) {
        out.append(u'[' + section + u']');
        for (const QString& key : ini.ReadSection(section))
            out.append(key + u'=' + ini.ReadString(section, key, QStringLiteral("?")));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::unique_ptr<QTemporaryDir> folder =
        MemoryFolder(QStringLiteral("fuzz_inifile"));
    QTemporaryDir& dir = *folder;
    const QString path = dir.filePath("fuzz.ini");
    if (!WriteInput(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))))
        std::abort();
    TIniFile ini(path);
    const QStringList sections = ini.ReadSections();
    QList<QPair<QString, QString>> before;
    for (const QString& section : sections)
        for (const QString& key : ini.ReadSection(section))
            before.append({section, key});
    for (const auto& [section, key] : before) {
        ini.ReadString(section, key, "");
        ini.ReadInteger(section, key, 0);
    }
    try {
        ini.WriteString("Fuzz", "Chiave", "valore\r\ncon a capo");
        if (!before.isEmpty()) {
            ini.WriteString(before.front().first, "Nuova", "1");
            ini.DeleteKey(before.back().first, before.back().second);
            ini.EraseSection(sections.back());
        }
    } catch (const EIniFileException&) {
        return 0;
    }
    if (ini.ReadString("Fuzz", "Chiave", "").contains('\n'))
        std::abort();
    const QString copy = dir.filePath("copy.ini");
    QFile::remove(copy);
    if (!QFile::copy(path, copy) || Contents(ini) != Contents(TIniFile(copy)))
        std::abort();
    return 0;
}
