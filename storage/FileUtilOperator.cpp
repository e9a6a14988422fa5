// The file operations of unit FileUtil: TKxFileOperator, with the desktop's trash.

#include "storage/FileUtil.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxNumberedNames = 100000;

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// lstat: a link is an entry of its own, never what it points at.
bool entryStat(const QString& path, struct stat& info) {
    return ::lstat(encoded(path).constData(), &info) == 0;
}

bool entryExists(const QString& path) {
    struct stat info {};
    return entryStat(path, info);
}

bool isFolder(const QString& path) {
    struct stat info {};
    return entryStat(path, info) && S_ISDIR(info.st_mode);
}

bool sameEntry(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return entryStat(a, sa) && entryStat(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

bool inside(const QString& path, const QString& folder) {
    return path.startsWith(NormalDir(folder));
}

// "name", then "name (2).ext", "name (3).ext" and so on; a folder's name has no extension.
QString numberedName(const QString& name, int n, bool folder) {
    if (n < 2)
        return name;
    const qsizetype dot = folder ? -1 : name.lastIndexOf(u'.');
    const qsizetype at = dot > 0 ? dot : name.size();
    return name.left(at) + QStringLiteral(" (%1)").arg(n) + name.mid(at);
}

// The first numbered name in the folder that nothing holds, or "" when all are taken.
QString freeName(const QString& folder, const QString& name, bool isFolder) {
    for (int n = 1; n <= MaxNumberedNames; ++n) {
        const QString path = NormalDir(folder) + numberedName(name, n, isFolder);
        if (!entryExists(path))
            return path;
    }
    return QString();
}

// rename(2) that replaces an existing entry only when told to; 0 or the error number.
int renameEntry(const QString& from, const QString& to, bool replace) {
    const QByteArray a = encoded(from), b = encoded(to);
    if (replace)
        return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace flag.
    if (entryExists(to))
        return EEXIST;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

// A file, a link or a whole folder; a link is removed, never what it points at.
bool removeEntry(const QString& path) {
    if (isFolder(path))
        return ClearDir(path, true);
    return ::unlink(encoded(path).constData()) == 0;
}

bool copyNew(const QString& from, const QString& to, QString& error);

bool copyLink(const QString& from, const QString& to, QString& error) {
    QByteArray target(PATH_MAX, '\0');
    const ssize_t size = ::readlink(encoded(from).constData(), target.data(), target.size());
    if (size < 0 || size >= target.size() ||
        ::symlink(target.left(size).constData(), encoded(to).constData()) != 0) {
        error = qt_error_string(errno);
        return false;
    }
    return true;
}

bool copyFolder(const QString& from, const QString& to, mode_t mode, QString& error) {
    if (::mkdir(encoded(to).constData(), 0700) != 0) {
        error = qt_error_string(errno);
        return false;
    }
    const QStringList children =
        QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& child : children) {
        if (!copyNew(NormalDir(from) + child, NormalDir(to) + child, error))
            return false;
    }
    ::chmod(encoded(to).constData(), mode & 07777);
    return true;
}

// The copy is checked by its size as well as by every read and write.
bool copyRegularFile(const QString& from, const QString& to, mode_t mode, QString& error) {
    try {
        CopyFile(from, to);
    } catch (const EFileError& failure) {
        error = failure.Message();
        return false;
    }
    if (GetFileSize(to) != GetFileSize(from)) {
        error = QStringLiteral("la copia e' incompleta");
        return false;
    }
    ::chmod(encoded(to).constData(), mode & 07777);
    return true;
}

// Copies a file, a link or a folder with everything in it to `to`, which does not exist yet.
bool copyNew(const QString& from, const QString& to, QString& error) {
    struct stat info {};
    if (!entryStat(from, info)) {
        error = qt_error_string(errno);
        return false;
    }
    if (S_ISLNK(info.st_mode))
        return copyLink(from, to, error);
    if (S_ISDIR(info.st_mode))
        return copyFolder(from, to, info.st_mode, error);
    return copyRegularFile(from, to, info.st_mode, error);
}

// The copy is made under a hidden name beside the target and put in place whole, so a failed
// copy leaves neither a piece of it nor a damaged target.
bool copyOver(const QString& from, const QString& to, bool replace, QString& error) {
    const QString part =
        freeName(folderOf(to), QStringLiteral(".%1.parziale").arg(nameOf(to)), false);
    if (part.isEmpty()) {
        error = QStringLiteral("nessun nome libero per la copia");
        return false;
    }
    if (!copyNew(from, part, error)) {
        removeEntry(part);
        return false;
    }
    if (const int code = renameEntry(part, to, replace)) {
        removeEntry(part);
        error = qt_error_string(code);
        return false;
    }
    return true;
}

// A rename; across file systems a complete copy, and only then the source is deleted. When the
// source cannot be deleted the copy stays too: nothing is lost.
bool moveEntry(const QString& from, const QString& to, bool replace, QString& error) {
    const int code = renameEntry(from, to, replace);
    if (code == 0)
        return true;
    if (code != EXDEV) {
        error = qt_error_string(code);
        return false;
    }
    if (!copyOver(from, to, replace, error))
        return false;
    if (!removeEntry(from)) {
        error = QStringLiteral("l'originale non si puo' eliminare");
        return false;
    }
    return true;
}

// The home trash as freedesktop.org lays it out, shared with the desktop's file managers.
QString trashFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Trash");
}

bool ensureFolder(const QString& path) {
    if (::mkdir(encoded(path).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return QFileInfo(path).isDir();
}

QByteArray trashInfo(const QString& path) {
    const QDateTime now = QDateTime::currentDateTime();
    return "[Trash Info]\nPath=" + encoded(path).toPercentEncoding("/") +
           "\nDeletionDate=" + now.date().toString(Qt::ISODate).toLatin1() + 'T' +
           now.time().toString(QStringLiteral("HH:mm:ss")).toLatin1() + '\n';
}

bool writeAll(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return ::fsync(fd) == 0;
}

// Claims a name in the trash by creating its info file exclusively: "" when none could be had,
// else the info file's path, with the entry's path in the trash in `entry`.
QString claimTrashName(const QString& trash, const QString& path, QString& entry, QString& error) {
    const bool folder = isFolder(path);
    for (int n = 1; n <= MaxNumberedNames; ++n) {
        const QString name = numberedName(nameOf(path), n, folder);
        entry = trash + QStringLiteral("/files/") + name;
        if (entryExists(entry))
            continue;
        const QString info = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        const int fd =
            ::open(encoded(info).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            error = qt_error_string(errno);
            return QString();
        }
        const bool written = writeAll(fd, trashInfo(path));
        const int saved = errno;
        if (::close(fd) == 0 && written)
            return info;
        ::unlink(encoded(info).constData());
        error = qt_error_string(written ? errno : saved);
        return QString();
    }
    error = QStringLiteral("il cestino non ha nomi liberi");
    return QString();
}

// The info file is written before the entry moves and removed again when it cannot move, so the
// trash never holds an entry it cannot give back, and nothing is lost on the way.
bool moveToTrash(const QString& path, QString& error) {
    const QString trash = trashFolder();
    if (!QDir().mkpath(QFileInfo(trash).path()) || !ensureFolder(trash) ||
        !ensureFolder(trash + QStringLiteral("/files")) ||
        !ensureFolder(trash + QStringLiteral("/info"))) {
        error = QStringLiteral("impossibile preparare il cestino %1").arg(trash);
        return false;
    }
    QString entry;
    const QString info = claimTrashName(trash, path, entry, error);
    if (info.isEmpty())
        return false;
    if (moveEntry(path, entry, false, error))
        return true;
    // A source that could not be deleted after a complete copy leaves that copy in the trash,
    // which its info file describes.
    if (!entryExists(entry))
        ::unlink(encoded(info).constData());
    return false;
}

// The list the shell takes: names separated by ";" or "|", ended by the first empty one.
QStringList namesOf(const QString& list) {
    QStringList names;
    for (const QString& name : list.split(QRegularExpression(QStringLiteral("[;|]")))) {
        if (name.isEmpty())
            break;
        names.append(QDir::cleanPath(QFileInfo(name).absoluteFilePath()));
    }
    return names;
}

bool hasWildcards(const QString& name) {
    return name.contains(u'*') || name.contains(u'?');
}

} // namespace

class TKxFileOperator::Run {
public:
    // A copy of the settings: a box or the progress runs events, which may delete the operator.
    Run(const TKxFileOperator& op, bool& aborted)
        : operation_(op.Operation), options_(op.Options), title_(op.ProgressTitle),
          source_(op.Source), destination_(op.Destination), aborted_(aborted) {}
    ~Run() {
        progress_.reset();
        if (active_)
            active_->activateWindow();
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    bool execute() {
        const QStringList sources = namesOf(source_);
        if (sources.isEmpty())
            return false;
        QStringList items;
        for (const QString& source : sources) {
            const QStringList found = expanded(source);
            if (found.isEmpty())
                return fail(QStringLiteral("Impossibile trovare \"%1\"").arg(source));
            items += found;
            wildcards_ = wildcards_ || hasWildcards(source);
        }
        if (operation_ == foDelete && !confirmDelete(items))
            return false;
        const QStringList targets = operation_ == foDelete ? items : targetsOf(items);
        if (targets.size() != items.size())
            return false;
        showProgress(int(items.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (!stepProgress(int(i), items.at(i)))
                return false;
            const bool done =
                operation_ == foDelete ? remove(items.at(i)) : transfer(items.at(i), targets.at(i));
            if (!done)
                return false;
        }
        return true;
    }

private:
    enum class Answer { Yes, No, Cancel };

    bool has(TFileOperFlag flag) const { return (options_ & flag) != 0; }

    bool fail(const QString& text) {
        if (!has(flNoErrorUI))
            platform::ShowError(text);
        return false;
    }

    bool cancel() {
        aborted_ = true;
        return false;
    }

    Answer ask(const QString& text, bool withCancel) {
        const QString caption = title_.isEmpty() ? platform::ProductCaption() : title_;
        const int buttons = withCancel ? platform::MB_YESNOCANCEL : platform::MB_YESNO;
        switch (platform::MessageBox(text, caption, buttons | platform::MB_ICONQUESTION)) {
        case platform::IDYES:
            return Answer::Yes;
        case platform::IDNO:
            return withCancel ? Answer::No : Answer::Cancel;
        default:
            return Answer::Cancel;
        }
    }

    // A wildcard matches in its folder, folders too unless flFilesOnly.
    QStringList expanded(const QString& source) const {
        if (!hasWildcards(source))
            return entryExists(source) ? QStringList{source} : QStringList();
        const QFileInfo info(source);
        QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System;
        if (!has(flFilesOnly))
            filters |= QDir::Dirs | QDir::NoDotAndDotDot;
        QStringList found;
        for (const QString& name : QDir(info.path()).entryList({info.fileName()}, filters))
            found.append(NormalDir(info.path()) + name);
        return found;
    }

    // One destination per source with flMultiDest and for a rename; otherwise the destination is
    // a folder to put the sources in, or the new name of a single source.
    QStringList targetsOf(const QStringList& items) {
        const QStringList destinations = namesOf(destination_);
        if (operation_ == foRename || has(flMultiDest)) {
            if (destinations.size() < items.size()) {
                fail(QStringLiteral("Manca la destinazione di \"%1\"")
                         .arg(items.at(destinations.size())));
                return {};
            }
            return destinations.mid(0, items.size());
        }
        if (destinations.isEmpty()) {
            fail(QStringLiteral("Manca la destinazione"));
            return {};
        }
        const QString destination = destinations.first();
        const bool intoFolder =
            items.size() > 1 || wildcards_ || isFolder(destination) || destination_.endsWith(u'/');
        if (!intoFolder)
            return {destination};
        if (!makeFolder(destination))
            return {};
        QStringList targets;
        for (const QString& item : items)
            targets.append(NormalDir(destination) + nameOf(item));
        return targets;
    }

    bool makeFolder(const QString& folder) {
        if (QFileInfo(folder).isDir())
            return true;
        if (!has(flNoConfirmMkDir) &&
            ask(QStringLiteral("La cartella \"%1\" non esiste. Crearla?").arg(folder), false) !=
                Answer::Yes)
            return cancel();
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("Impossibile creare la cartella \"%1\"").arg(folder));
        return true;
    }

    bool confirmDelete(const QStringList& items) {
        if (has(flNoConfirmation))
            return true;
        const QString what = items.size() == 1
                                 ? QStringLiteral("\"%1\"").arg(nameOf(items.first()))
                                 : QStringLiteral("questi %1 elementi").arg(items.size());
        const QString text = has(flAllowUndo)
                                 ? QStringLiteral("Spostare %1 nel cestino?").arg(what)
                                 : QStringLiteral("Eliminare definitivamente %1?").arg(what);
        return ask(text, false) == Answer::Yes || cancel();
    }

    bool remove(const QString& item) {
        QString error;
        if (has(flAllowUndo)) {
            if (!moveToTrash(item, error))
                return fail(
                    QStringLiteral("Impossibile spostare \"%1\" nel cestino: %2").arg(item, error));
            return true;
        }
        if (!removeEntry(item))
            return fail(QStringLiteral("Impossibile eliminare \"%1\"").arg(item));
        return true;
    }

    // A copy, move or rename of one entry; a folder onto a folder is merged entry by entry.
    bool transfer(const QString& from, QString to) {
        bool replace = false;
        if (entryExists(to)) {
            const bool same = sameEntry(from, to);
            if (has(flRenameOnCollision)) {
                to = freeName(folderOf(to), nameOf(to), isFolder(from));
            } else if (same) {
                if (operation_ != foCopy)
                    return true;
                return fail(QStringLiteral("Impossibile copiare \"%1\" su se stesso").arg(from));
            } else if (isFolder(from) && isFolder(to)) {
                return merge(from, to);
            } else if (isFolder(from) || isFolder(to)) {
                return fail(QStringLiteral("\"%1\" esiste gia'").arg(to));
            } else if (!has(flNoConfirmation)) {
                switch (
                    ask(QStringLiteral("Il file \"%1\" esiste gia'. Sostituirlo?").arg(to), true)) {
                case Answer::Yes:
                    break;
                case Answer::No:
                    aborted_ = true;
                    return true;
                case Answer::Cancel:
                    return cancel();
                }
            }
            replace = !has(flRenameOnCollision);
        }
        if (to.isEmpty())
            return fail(QStringLiteral("Nessun nome libero per \"%1\"").arg(from));
        if (!makeFolder(folderOf(to)))
            return false;
        if (isFolder(from) && inside(QFileInfo(folderOf(to)).canonicalFilePath() + u'/',
                                     QFileInfo(from).canonicalFilePath()))
            return fail(QStringLiteral("Impossibile mettere la cartella \"%1\" dentro se stessa")
                            .arg(from));
        QString error;
        if (operation_ == foCopy) {
            if (!copyOver(from, to, replace, error))
                return fail(QStringLiteral("Impossibile copiare \"%1\" in \"%2\": %3")
                                .arg(from, to, error));
        } else if (!moveEntry(from, to, replace, error)) {
            return fail(
                QStringLiteral("Impossibile spostare \"%1\" in \"%2\": %3").arg(from, to, error));
        }
        return true;
    }

    bool merge(const QString& from, const QString& to) {
        const QStringList children = QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                          QDir::Hidden | QDir::System);
        for (const QString& child : children) {
            if (!transfer(NormalDir(from) + child, NormalDir(to) + child))
                return false;
        }
        // A moved folder goes when it has been emptied; what the user kept stays.
        if (operation_ != foCopy)
            ::rmdir(encoded(from).constData());
        return true;
    }

    // The application's other windows wait while the operation runs; the progress shows only
    // when it lasts.
    void showProgress(int count) {
        if (has(flSilent) || !qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        active_ = QApplication::activeWindow();
        progress_ =
            std::make_unique<QProgressDialog>(QString(), QStringLiteral("Annulla"), 0, count);
        progress_->setWindowTitle(title_.isEmpty() ? platform::ProductCaption() : title_);
        progress_->setWindowModality(Qt::ApplicationModal);
    }

    bool stepProgress(int done, const QString& item) {
        if (!progress_)
            return true;
        if (!has(flSimpleProgress))
            progress_->setLabelText(item);
        progress_->setValue(done);
        return !progress_->wasCanceled() || cancel();
    }

    const TFileOperation operation_;
    const TFileOperFlags options_;
    const QString title_, source_, destination_;
    bool& aborted_;
    bool wildcards_ = false;
    std::unique_ptr<QProgressDialog> progress_;
    QPointer<QWidget> active_;
};

bool TKxFileOperator::Execute() {
    const QPointer<TKxFileOperator> self(this);
    bool aborted = false;
    bool done = false;
    {
        Run run(*this, aborted);
        done = run.execute();
    }
    if (self)
        aborted_ = aborted;
    return done;
}
