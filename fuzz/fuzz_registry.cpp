// Any bytes as a registry root's file read without harm, and a value written into it, under a
// key whose name the file cannot hold as it is, comes back exactly as it was.

#include "platform/Registry.h"

#include "fuzz/MemoryFolder.h"
#include <QDir>

#include <QFile>
#include <cstdlib>

namespace {

void walk(TRegistry& reg, const QString& path, int depth) {
    if (depth > 8 || !reg.OpenKey(path, false))
        return;
    for (const QString& name : reg.GetValueNames()) {
        reg.ReadString(name);
        try {
            reg.ReadInteger(name);
        } catch (const ERegistryException&) {
        }
    }
    for (const QString& child : reg.GetKeyNames()) {
        walk(reg, path + u'\\' + child, depth + 1);
        reg.OpenKey(path, false);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::unique_ptr<QTemporaryDir> folder =
        MemoryFolder(QStringLiteral("fuzz_registry"));
    QTemporaryDir& dir = *folder;
    static const bool configured = [&dir] {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        return QDir().mkpath(dir.filePath("quendel/registry"));
    }();
    if (!configured)
        std::abort();
    if (!WriteInput(TRegistry::RootFileName(HKEY_CURRENT_USER),
                    QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))))
        std::abort();
    TRegistry reg;
    walk(reg, QStringLiteral("\\"), 0);
    const QString value = QStringLiteral(" \"valore\\x41\r\ncon = a capo\" ");
    try {
        TRegIniFile ini(QStringLiteral("Software\\Fuzz"));
        const QString key = QString::fromUtf8("Chiave \xce\xa9 ]\t ");
        ini.WriteString(key, QStringLiteral("@"), value);
        if (ini.ReadString(key, QStringLiteral("@"), QString()) != value ||
            !ini.ReadSections().contains(key, Qt::CaseInsensitive))
            std::abort();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
