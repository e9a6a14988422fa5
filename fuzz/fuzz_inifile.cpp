// Any bytes as an INI file read without harm, and a write keeps what was read of other keys.

#include "platform/IniFile.h"

#include "fuzz/MemoryFolder.h"

#include <QFile>
#include <cstdlib>

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
    } catch (const EIniFileException&) {
        return 0;
    }
    if (ini.ReadString("Fuzz", "Chiave", "").contains('\n'))
        std::abort();
    return 0;
}
