// The file operations of unit FileUtil: TKxFileOperator, with the desktop's trash.

#include "storage/FileUtil.h"

#include "platform/MessageBox.h"
#include "storage/FileUtilCopies.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QProgressDialog>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

bool copyChildren(const QString& from, const QString& to, QString& error) {
    const QStringList children =
        QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& child : children) {
        if (!copyNew(NormalDir(from) + child, NormalDir(to) + child, error))
            return false;
    }
    return true;
}

bool copyFolder(const QString& from, const QString& to, mode_t mode, QString& error) {
    if (::mkdir(encoded(to).constData(), 0700) != 0) {
        error = qt_error_string(errno);
        return false;
    }
    if (!copyChildren(from, to, error))
        return false;
    ::chmod(encoded(to).constData(), mode & 07777);
    return true;
}

// A file the user agreed to replace goes even when it is read-only.
bool copyRegularFile(const QString& from, const QString& to, bool replace, mode_t mode,
                     QString& error) {
    try {
        CopyFileOnto(from, to, replace, true);
    } catch (const EFileError& failure) {
        error = failure.Message();
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
    return copyRegularFile(from, to, false, info.st_mode, error);
}

// A folder or a link is made under a hidden name beside the target and put in place whole (a
// file is copied so by CopyFileOnto), so a failed copy leaves neither a piece of it nor a
// damaged target.
bool copyOver(const QString& from, const QString& to, bool replace, QString& error) {
    struct stat info {};
    if (!entryStat(from, info)) {
        error = qt_error_string(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        PartialCopy part(to, PartialCopy::Folder);
        if (!part.Claimed()) {
            error = qt_error_string(part.Error());
            return false;
        }
        if (!copyChildren(from, part.Path(), error))
            return false;
        ::chmod(encoded(part.Path()).constData(), info.st_mode & 07777);
        if (const int code = part.PutInPlace(to, replace)) {
            error = qt_error_string(code);
            return false;
        }
        return true;
    }
    if (!S_ISLNK(info.st_mode))
        return copyRegularFile(from, to, replace, info.st_mode, error);
    const QString part = FreeName(folderOf(to), PartialCopy::NameFor(to), false);
    if (part.isEmpty() || !copyLink(from, part, error)) {
        if (part.isEmpty())
            error = QStringLiteral("nessun nome libero per la copia");
        return false;
    }
    if (const int code = RenameEntry(part, to, replace)) {
        ::unlink(encoded(part).constData());
        error = qt_error_string(code);
        return false;
    }
    return true;
}

// A rename; across file systems a complete copy, and only then the source is deleted. When the
// source cannot be deleted the copy stays too: nothing is lost.
bool moveEntry(const QString& from, const QString& to, bool replace, QString& error) {
    const int code = RenameEntry(from, to, replace);
    if (code == 0)
        return true;
    if (code != EXDEV) {
        error = qt_error_string(code);
        return false;
    }
    if (!copyOver(from, to, replace, error))
        return false;
    if (!RemoveEntry(from)) {
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

// An info file claimed for an entry on its way into the trash. It stays locked until the entry is
// there, which tells it from the info file of a run that was killed before its entry arrived.
class TrashClaim {
public:
    TrashClaim() = default;
    TrashClaim(const TrashClaim&) = delete;
    TrashClaim& operator=(const TrashClaim&) = delete;
    ~TrashClaim() {
        if (handle_ < 0)
            return;
        if (!kept_)
            ::unlink(encoded(info_).constData());
        ::close(handle_);
    }

    // Claims a name by creating its info file exclusively; false with the reason in `error`.
    bool claim(const QString& trash, const QString& path, QString& error) {
        const bool folder = isFolder(path);
        for (int n = 1; n <= MaxNumberedNames; ++n) {
            const QString name = NumberedName(nameOf(path), n, folder);
            entry_ = trash + QStringLiteral("/files/") + name;
            if (entryExists(entry_))
                continue;
            info_ = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
            handle_ =
                ::open(encoded(info_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (handle_ < 0 && errno == EEXIST)
                continue;
            if (handle_ < 0) {
                error = qt_error_string(errno);
                return false;
            }
            if (::flock(handle_, LOCK_EX) == 0 && writeAll(handle_, trashInfo(path)))
                return true;
            error = qt_error_string(errno);
            return false;
        }
        error = QStringLiteral("il cestino non ha nomi liberi");
        return false;
    }

    const QString& entry() const { return entry_; }
    void keep() { kept_ = true; }

private:
    QString entry_, info_;
    int handle_ = -1;
    bool kept_ = false;
};

// Leftovers of a run that was killed while it moved an entry in: a partial copy in "files", an
// info file whose entry never arrived. An info file still locked belongs to a run of ours under
// way; one written within the hour may belong to another program's, which holds no lock.
void removeTrashLeftovers(const QString& trash) {
    constexpr qint64 Hour = 3600;
    const QString files = trash + QStringLiteral("/files/");
    RemoveLeftoverCopies(files);
    const QString infos = trash + QStringLiteral("/info/");
    const QString suffix = QStringLiteral(".trashinfo");
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QString& name : EntriesMatching(infos, u'*' + suffix, QDir::Files | QDir::Hidden)) {
        const QString entry = files + name.chopped(suffix.size());
        struct stat info {};
        if (entryExists(entry) || !entryStat(infos + name, info) || now - info.st_mtime < Hour)
            continue;
        const int handle = ::open(encoded(infos + name).constData(), O_RDONLY | O_CLOEXEC);
        if (handle < 0)
            continue;
        if (::flock(handle, LOCK_EX | LOCK_NB) == 0 && !entryExists(entry))
            ::unlink(encoded(infos + name).constData());
        ::close(handle);
    }
}

bool prepareTrash(const QString& trash) {
    return QDir().mkpath(QFileInfo(trash).path()) && ensureFolder(trash) &&
           ensureFolder(trash + QStringLiteral("/files")) &&
           ensureFolder(trash + QStringLiteral("/info"));
}

// The info file is written before the entry moves and removed again when it cannot move, so the
// trash never holds an entry it cannot give back, and nothing is lost on the way.
bool moveToTrash(const QString& trash, const QString& path, QString& error) {
    TrashClaim claim;
    if (!claim.claim(trash, path, error))
        return false;
    const bool moved = moveEntry(path, claim.entry(), false, error);
    // A source that could not be deleted after a complete copy leaves that copy in the trash,
    // which its info file describes.
    if (moved || entryExists(claim.entry()))
        claim.keep();
    return moved;
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
        for (const QString& name : EntriesMatching(info.path(), info.fileName(), filters))
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
            const QString trash = trashFolder();
            if (!prepareTrash(trash))
                return fail(
                    QStringLiteral("Impossibile spostare \"%1\" nel cestino: %2")
                        .arg(item,
                             QStringLiteral("impossibile preparare il cestino %1").arg(trash)));
            if (!std::exchange(trashCleaned_, true))
                removeTrashLeftovers(trash);
            if (!moveToTrash(trash, item, error))
                return fail(
                    QStringLiteral("Impossibile spostare \"%1\" nel cestino: %2").arg(item, error));
            return true;
        }
        if (!RemoveEntry(item))
            return fail(QStringLiteral("Impossibile eliminare \"%1\"").arg(item));
        return true;
    }

    // A copy, move or rename of one entry; a folder onto a folder is merged entry by entry.
    bool transfer(const QString& from, QString to) {
        bool replace = false;
        if (entryExists(to)) {
            const bool same = sameEntry(from, to);
            if (has(flRenameOnCollision)) {
                to = FreeName(folderOf(to), nameOf(to), isFolder(from));
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
        if (!std::exchange(cleaned_[folderOf(to)], true))
            RemoveLeftoverCopies(folderOf(to));
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
    // Folders written to, whose leftovers of killed runs are gone.
    QHash<QString, bool> cleaned_;
    bool trashCleaned_ = false;
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
