#include "storage/FileUtilCopies.h"

#include "storage/FileUtil.h"
#include "storage/Kxstrutils.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

bool isFolder(const QString& path) {
    struct stat info {};
    return ::lstat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The descriptor still names the entry at path: nobody removed or replaced it meanwhile.
bool stillAt(int handle, const QString& path) {
    struct stat opened {
    }, named{};
    return ::fstat(handle, &opened) == 0 && ::lstat(encoded(path).constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// A copy may hold folders it made read-only; they must not keep it from going.
void makeWritable(const QString& folder) {
    struct stat info {};
    if (::lstat(encoded(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return;
    ::chmod(encoded(folder).constData(), (info.st_mode & 07777) | S_IRWXU);
    for (const QString& child : QDir(folder).entryList(
             QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks))
        makeWritable(NormalDir(folder) + child);
}

// A target's name cut so that its partial copy's name, numbered too, stays within the file
// system's limit of 255 bytes.
QString shortened(QString name) {
    constexpr qsizetype Longest = 200;
    while (encoded(name).size() > Longest)
        name.chop(name.size() > 1 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    return name;
}

bool removeCopy(const QString& path) {
    makeWritable(path);
    return RemoveEntry(path);
}

} // namespace

bool MatchesMask(const QString& name, const QString& mask) {
    // The desktop's "*.*" takes names without an extension too.
    return IsWild(name, mask == QLatin1String("*.*") ? QStringLiteral("*") : mask, true);
}

QStringList EntriesMatching(const QString& folder, const QString& mask, QDir::Filters filters) {
    QStringList found;
    for (const QString& name : QDir(folder).entryList(filters)) {
        if (MatchesMask(name, mask))
            found.append(name);
    }
    return found;
}

bool RemoveEntry(const QString& path) {
    if (isFolder(path))
        return ClearDir(path, true);
    return ::unlink(encoded(path).constData()) == 0;
}

int RenameEntry(const QString& from, const QString& to, bool replace) {
    const QByteArray a = encoded(from), b = encoded(to);
    if (replace)
        return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace flag.
    struct stat info {};
    if (::lstat(b.constData(), &info) == 0)
        return EEXIST;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

QString NumberedName(const QString& name, int n, bool isFolder) {
    if (n < 2)
        return name;
    const qsizetype dot = isFolder ? -1 : name.lastIndexOf(u'.');
    const qsizetype at = dot > 0 ? dot : name.size();
    return name.left(at) + QStringLiteral(" (%1)").arg(n) + name.mid(at);
}

QString FreeName(const QString& folder, const QString& name, bool isFolder) {
    for (int n = 1; n <= MaxNumberedNames; ++n) {
        const QString path = NormalDir(folder) + NumberedName(name, n, isFolder);
        struct stat info {};
        if (::lstat(encoded(path).constData(), &info) != 0)
            return path;
    }
    return QString();
}

QString PartialCopy::NameFor(const QString& target) {
    return QStringLiteral(".%1.parziale").arg(shortened(QFileInfo(target).fileName()));
}

PartialCopy::PartialCopy(const QString& target, Kind kind) {
    const QFileInfo info(target);
    const QString name = NameFor(target);
    for (int n = 1; n <= MaxNumberedNames; ++n) {
        const QString path = NormalDir(info.absolutePath()) + NumberedName(name, n, false);
        const QByteArray file = encoded(path);
        int handle = -1;
        if (kind == File)
            handle = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        else if (::mkdir(file.constData(), 0700) == 0)
            handle = ::open(file.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (handle < 0 && errno == EEXIST)
            continue;
        if (handle < 0) {
            error_ = errno;
            if (kind == Folder)
                ::rmdir(file.constData());
            return;
        }
        // A run cleaning up leftovers got to it first and removes it.
        if (::flock(handle, LOCK_EX | LOCK_NB) != 0 || !stillAt(handle, path)) {
            ::close(handle);
            continue;
        }
        path_ = path;
        handle_ = handle;
        return;
    }
    error_ = EEXIST;
}

PartialCopy::~PartialCopy() {
    if (handle_ < 0)
        return;
    // Removed while still locked, so no cleaner takes it for a leftover meanwhile.
    if (!placed_)
        removeCopy(path_);
    ::close(handle_);
}

int PartialCopy::PutInPlace(const QString& target, bool replace) {
    const int error = RenameEntry(path_, target, replace);
    placed_ = error == 0;
    return error;
}

void RemoveLeftoverCopies(const QString& folder) {
    const QStringList names =
        EntriesMatching(folder, QStringLiteral(".*.parziale"),
                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = NormalDir(folder) + name;
        const QByteArray file = encoded(path);
        struct stat info {};
        if (::lstat(file.constData(), &info) != 0)
            continue;
        if (S_ISLNK(info.st_mode)) {
            ::unlink(file.constData());
            continue;
        }
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            continue;
        const int handle = ::open(file.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (handle < 0)
            continue;
        if (::flock(handle, LOCK_EX | LOCK_NB) == 0 && stillAt(handle, path))
            removeCopy(path);
        ::close(handle);
    }
}
