#include "app/Association.h"

#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace association {

namespace {

constexpr char DefaultSection[] = "[Default Applications]";
constexpr int ToolMilliseconds = 10000;

QString XdgFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? QDir::homePath() + fallback : value;
}

QString DataHome() {
    return XdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString ConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString DefaultLine() {
    return QLatin1String(MimeType) + QLatin1Char('=') + QLatin1String(DesktopFileName);
}

bool IsOurDefault(const QString& line) {
    return line.trimmed().startsWith(QLatin1String(MimeType) + QLatin1Char('='));
}

bool IsSection(const QString& line) {
    return line.trimmed().startsWith(QLatin1Char('['));
}

bool Write(const QString& fileName, const QByteArray& data) {
    QString error;
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath()) ||
        !platform::WriteWholeFile(fileName, data, &error)) {
        platform::ShowError(error.isEmpty()
                                ? QStringLiteral("Impossibile creare la cartella di ") + fileName
                                : error);
        return false;
    }
    return true;
}

bool Remove(const QString& fileName) {
    if (!QFile::exists(fileName) || QFile::remove(fileName))
        return true;
    platform::ShowError(QStringLiteral("Impossibile cancellare il file ") + fileName);
    return false;
}

QStringList ReadLines(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool WriteLines(const QString& fileName, const QStringList& lines) {
    return Write(fileName, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

// The desktop's caches, refreshed when their tools are installed; their failure is not ours.
void RunTool(const QString& tool, const QString& folder) {
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(path, {folder});
    if (process.waitForStarted(ToolMilliseconds) && !process.waitForFinished(ToolMilliseconds))
        process.kill();
    process.waitForFinished(ToolMilliseconds);
}

void RefreshCaches() {
    RunTool(QStringLiteral("update-mime-database"), DataHome() + QStringLiteral("/mime"));
    RunTool(QStringLiteral("update-desktop-database"),
            DataHome() + QStringLiteral("/applications"));
}

struct TRegistryRoot {
    HKEY root;
    const char* prefix;
};
constexpr TRegistryRoot RegistryRoots[] = {{HKEY_CLASSES_ROOT, ""},
                                           {HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Classes"}};

void WriteKey(TRegistry& registry, const QString& key, const QString& value) {
    if (!registry.OpenKey(key, true))
        throw ERegistryException(QStringLiteral("Impossibile creare la chiave ") + key);
    registry.WriteString(QString(), value);
    registry.CloseKey();
}

} // namespace

void WriteRegistryKeys(const QString& program) {
    const QString command = program + QStringLiteral(" \"%1\"");
    for (const TRegistryRoot& root : RegistryRoots) {
        TRegistry registry;
        registry.SetRootKey(root.root);
        const QString prefix = QLatin1String(root.prefix);
        // The root's keys in one rewrite of its file.
        platform::InOneRewrite(registry, [&] {
            WriteKey(registry, prefix + QStringLiteral("\\.qzd"),
                     QStringLiteral("quendel_game_file"));
            WriteKey(registry, prefix + QStringLiteral("\\quendel_game_file"),
                     QStringLiteral("Partita Quendel"));
            WriteKey(registry, prefix + QStringLiteral("\\quendel_game_file\\shell\\open\\command"),
                     command);
        });
    }
}

void DeleteRegistryKeys() {
    for (const TRegistryRoot& root : RegistryRoots) {
        TRegistry registry;
        registry.SetRootKey(root.root);
        const QString prefix = QLatin1String(root.prefix);
        platform::InOneRewrite(registry, [&] {
            registry.DeleteKey(prefix + QStringLiteral("\\.qzd"));
            registry.DeleteKey(prefix + QStringLiteral("\\quendel_game_file"));
        });
    }
}

QString MimePackageFile() {
    return DataHome() + QStringLiteral("/mime/packages/quendel.xml");
}

QString DesktopFile() {
    return DataHome() + QStringLiteral("/applications/") + QLatin1String(DesktopFileName);
}

QString MimeAppsFile() {
    return ConfigHome() + QStringLiteral("/mimeapps.list");
}

QByteArray MimePackage() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-quendel-game\">\n"
        "    <comment>Partita Quendel</comment>\n"
        "    <glob pattern=\"*.qzd\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

QString QuoteExecArgument(const QString& argument) {
    QString quoted;
    for (const QChar c : argument) {
        // Inside quotes these four take a backslash; a percent sign is doubled for the field
        // codes; then the value's own escaping doubles every backslash.
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$'))
            quoted += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\\'))
            quoted += QStringLiteral("\\\\\\");
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray DesktopEntry(const QString& program, const QString& workingFolder) {
    QString path = workingFolder;
    path.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Quendel\n"
                                         "Comment=Partita Quendel\n"
                                         "Exec=") +
                          QuoteExecArgument(program) +
                          QStringLiteral(" %f\n"
                                         "Path=") +
                          path +
                          QStringLiteral("\n"
                                         "MimeType=application/x-quendel-game;\n"
                                         "Terminal=false\n"
                                         "Categories=Game;BoardGame;\n");
    return entry.toUtf8();
}

QStringList WithDefault(const QStringList& lines) {
    QStringList out = WithoutDefault(lines);
    const qsizetype section = out.indexOf(QLatin1String(DefaultSection));
    if (section < 0) {
        out << QLatin1String(DefaultSection) << DefaultLine();
        return out;
    }
    out.insert(section + 1, DefaultLine());
    return out;
}

QStringList WithoutDefault(const QStringList& lines) {
    QStringList out;
    bool inDefaults = false;
    for (const QString& line : lines) {
        if (IsSection(line))
            inDefaults = line.trimmed() == QLatin1String(DefaultSection);
        if (!(inDefaults && IsOurDefault(line)))
            out << line;
    }
    return out;
}

bool Associate(const QString& program) {
    WriteRegistryKeys(program);
    const bool written = Write(MimePackageFile(), MimePackage()) &&
                         Write(DesktopFile(), DesktopEntry(program, QDir::currentPath())) &&
                         WriteLines(MimeAppsFile(), WithDefault(ReadLines(MimeAppsFile())));
    RefreshCaches();
    return written;
}

bool Dissociate() {
    DeleteRegistryKeys();
    bool done = Remove(MimePackageFile()) && Remove(DesktopFile());
    if (done && QFile::exists(MimeAppsFile())) {
        const QStringList lines = ReadLines(MimeAppsFile());
        const QStringList kept = WithoutDefault(lines);
        done = kept == lines || WriteLines(MimeAppsFile(), kept);
    }
    RefreshCaches();
    return done;
}

} // namespace association
