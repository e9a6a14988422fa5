#include "storage/FileUtil.h"

#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/ExceptionDisplay.h"
#include "platform/MessageBox.h"
#include "platform/SafeWrite.h"
#include "platform/TextLines.h"
#include "storage/FileUtilCopies.h"
#include "storage/Kxprgrss.h"
#include "storage/kxVclutils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 BufferSize = 8192;

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// To the nanosecond: a copy that later looks older or newer than its source would be taken for
// another version of it.
void keepModificationTime(int source, int target) {
    struct stat info {};
    if (::fstat(source, &info) != 0)
        return;
    const timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
    ::futimens(target, times);
}

// The shell's road of the copy and move helpers: the default options without undo, and a
// failure or a cancellation ends the command silently.
void runShellOperation(TFileOperation operation, TFileOperFlags extra, const QString& source,
                       const QString& destination) {
    TKxFileOperator fileOperator;
    fileOperator.Operation = operation;
    fileOperator.Options = (fileOperator.Options & ~flAllowUndo) | extra;
    fileOperator.Source = source;
    fileOperator.Destination = destination;
    if (!fileOperator.Execute() || fileOperator.Aborted())
        throw platform::EAbort();
}

int lockRange(int handle, qint64 offset, qint64 size, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = size;
    return ::fcntl(handle, F_SETLK, &lock) == 0 ? 0 : errno;
}

} // namespace

QString NormalDir(const QString& DirName) {
    if (DirName.isEmpty() || DirName.endsWith(QLatin1Char('/')))
        return DirName;
    return DirName + QLatin1Char('/');
}

QString RemoveBackSlash(const QString& DirName) {
    if (DirName.size() > 1 && DirName.endsWith(QLatin1Char('/')))
        return DirName.chopped(1);
    return DirName;
}

bool DirExists(const QString& Name) {
    return !Name.isEmpty() && QFileInfo(Name).isDir();
}

void ForceDirectories(const QString& Dir) {
    const QString dir = RemoveBackSlash(Dir);
    if (dir.size() < 3 && dir != QLatin1String("/") && !dir.isEmpty() && DirExists(dir))
        return;
    if (!dir.isEmpty())
        QDir().mkpath(dir);
}

void CopyFile(const QString& FileName, const QString& DestName, QObject* ProgressControl) {
    CopyFileEx(FileName, DestName, false, false, ProgressControl);
}

void CopyFileEx(const QString& FileName, const QString& DestName, bool OverwriteReadOnly,
                bool ShellDialog, QObject* ProgressControl) {
    if (ShellDialog) {
        runShellOperation(foCopy, OverwriteReadOnly ? flNoConfirmation : 0, FileName, DestName);
        return;
    }
    QString dest = DestName;
    if (DirExists(dest))
        dest = NormalDir(dest) + QFileInfo(FileName).fileName();
    RemoveLeftoverCopies(QFileInfo(dest).absolutePath());
    CopyFileOnto(FileName, dest, true, OverwriteReadOnly, ProgressControl);
}

void CopyFileOnto(const QString& FileName, const QString& DestName, bool Replace,
                  bool OverwriteReadOnly, QObject* ProgressControl) {
    QFile source(FileName);
    if (!QFileInfo(FileName).isFile() || !source.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file %1").arg(FileName));
    const qint64 size = source.size();
    if (ProgressControl) {
        SetProgressMax(ProgressControl, size);
        SetProgressMin(ProgressControl, 0);
        SetProgressValue(ProgressControl, 0);
    }
    // A link is written through, as opening it for writing would.
    const QFileInfo link(DestName);
    const QString dest = link.isSymLink() ? link.symLinkTarget() : DestName;
    ForceDirectories(QFileInfo(dest).absolutePath());
    const QString cannotCreate = QStringLiteral("Cannot create file %1").arg(DestName);
    // Writing onto itself would empty the source.
    if (sameFile(FileName, dest))
        throw EFileError(cannotCreate);
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(dest).constData(), &old) == 0;
    if (replacing && !(old.st_mode & S_IWUSR) && !OverwriteReadOnly)
        throw EFileError(cannotCreate);
    PartialCopy part(dest, PartialCopy::File);
    QFile target;
    if (!part.Claimed() ||
        !target.open(part.Handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        throw EFileError(cannotCreate);
    const std::unique_ptr<char[]> buffer(new char[BufferSize]);
    qint64 copied = 0;
    qint64 read = 0;
    do {
        read = source.read(buffer.get(), BufferSize);
        if (read < 0)
            throw EFileError(QStringLiteral("Stream read error"));
        if (target.write(buffer.get(), read) != read)
            throw EFileError(QStringLiteral("Stream write error"));
        copied += read;
        if (ProgressControl)
            SetProgressValue(ProgressControl, copied);
    } while (read == BufferSize);
    if (copied != source.size())
        throw EFileError(QStringLiteral("Stream read error"));
    if (!target.flush() || ::fsync(part.Handle()) != 0)
        throw EFileError(QStringLiteral("Stream write error"));
    // The replaced file's owner and permissions, without its read-only mark when told so.
    if (replacing) {
        [[maybe_unused]] const int owned = ::fchown(part.Handle(), old.st_uid, old.st_gid);
        ::fchmod(part.Handle(), (old.st_mode & 07777) | (OverwriteReadOnly ? S_IWUSR : 0));
    }
    keepModificationTime(source.handle(), part.Handle());
    if (part.PutInPlace(dest, Replace) != 0)
        throw EFileError(cannotCreate);
    if (ProgressControl)
        SetProgressValue(ProgressControl, 0);
}

// Not QFile::rename: across file systems it copies by itself and drops the time stamp.
void MoveFile(const QString& FileName, const QString& DestName) {
    const QString dest = QFileInfo(DestName).absoluteFilePath();
    const QByteArray from = QFile::encodeName(FileName), to = QFile::encodeName(dest);
    if (::rename(from.constData(), to.constData()) == 0)
        return;
    if (!QFileInfo::exists(FileName))
        throw EFileError(QStringLiteral("Cannot open file %1").arg(FileName));
    CopyFile(FileName, dest);
    // Both copies stay when the source cannot go: the move did not happen, and nothing is lost.
    const QFile::Permissions permissions = QFile::permissions(FileName);
    QFile::setPermissions(FileName, permissions | QFile::WriteOwner);
    if (!QFile::remove(FileName)) {
        QFile::setPermissions(FileName, permissions);
        throw EFileError(QStringLiteral("Cannot delete file %1").arg(FileName));
    }
}

void MoveFileEx(const QString& FileName, const QString& DestName, bool ShellDialog) {
    if (!ShellDialog) {
        MoveFile(FileName, DestName);
        return;
    }
    const bool sameFolder = QFileInfo(FileName).absolutePath().compare(
                                QFileInfo(DestName).absolutePath(), Qt::CaseInsensitive) == 0;
    runShellOperation(sameFolder ? foRename : foMove, flNoConfirmation, FileName, DestName);
}

qint64 GetFileSize(const QString& FileName) {
    const QFileInfo info(FileName);
    return info.isFile() ? info.size() : -1;
}

TDateTime FileDateTime(const QString& FileName) {
    const QFileInfo info(FileName);
    if (!info.exists())
        return NullDate;
    return platform::DateTimeToDouble(info.lastModified());
}

bool HasAttr(const QString& FileName, int Attr) {
    struct stat info {};
    if (::lstat(QFile::encodeName(FileName).constData(), &info) != 0)
        return false;
    int attributes = 0;
    if (!(info.st_mode & S_IWUSR))
        attributes |= faReadOnly;
    if (QFileInfo(FileName).fileName().startsWith(u'.'))
        attributes |= faHidden;
    if (S_ISDIR(info.st_mode))
        attributes |= faDirectory;
    else if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
        attributes |= faSysFile;
    return (attributes & Attr) == Attr;
}

bool DeleteFiles(const QString& FileMask) {
    const QFileInfo mask(FileMask);
    const QString folder = mask.absolutePath();
    const QStringList files =
        EntriesMatching(folder, mask.fileName(), QDir::Files | QDir::Hidden | QDir::System);
    if (files.isEmpty())
        return false;
    return std::all_of(files.begin(), files.end(), [&](const QString& name) {
        return QFile::remove(NormalDir(folder) + name);
    });
}

bool DeleteFilesEx(const QStringList& FileMasks) {
    return std::all_of(FileMasks.begin(), FileMasks.end(),
                       [](const QString& mask) { return DeleteFiles(mask); });
}

bool ClearDir(const QString& Path, bool Delete) {
    const QFileInfo folder(Path);
    if (!folder.isDir() || folder.isSymLink())
        return false;
    const QString canonical = folder.canonicalFilePath();
    if (canonical == QLatin1String("/"))
        return false;
    bool result = true;
    const QDir dir(Path);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        const QString path = entry.absoluteFilePath();
        if (entry.isDir() && !entry.isSymLink()) {
            result = ClearDir(path, true) && result;
        } else {
            // A link goes, never what it points at.
            if (!entry.isSymLink())
                QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
            result = QFile::remove(path) && result;
        }
    }
    if (Delete && result)
        result = QDir().rmdir(Path);
    return result;
}

QString GetTempDir() {
    return NormalDir(QDir::tempPath());
}

bool ValidFileName(const QString& FileName) {
    static const QString bad = QStringLiteral("<>\"[]|");
    return !FileName.isEmpty() &&
           std::none_of(FileName.begin(), FileName.end(), [](QChar c) { return bad.contains(c); });
}

int FileLock(int Handle, qint64 Offset, qint64 LockSize) {
    return lockRange(Handle, Offset, LockSize, F_WRLCK);
}

int FileUnlock(int Handle, qint64 Offset, qint64 LockSize) {
    return lockRange(Handle, Offset, LockSize, F_UNLCK);
}

QString ShortToLongFileName(const QString& ShortName) {
    return QFileInfo::exists(ShortName) ? ShortName : QString();
}

QString LongToShortFileName(const QString& LongName) {
    return ShortToLongFileName(LongName);
}

QString ShortToLongPath(const QString& ShortName) {
    return ShortName;
}

QString LongToShortPath(const QString& LongName) {
    return LongName;
}

QString SpecialFolderPath(TSpecialFolder Folder) {
    switch (Folder) {
    case sfDesktop:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case sfApplications:
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    default:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
}

namespace {

bool hasLineBreakOrNul(const QString& text) {
    return platform::ProtocolLineText(text) != text;
}

// The link's file in the folder, or "" for a name that would leave the folder or break the
// file's name.
QString linkPath(const QString& DisplayName, TSpecialFolder Folder) {
    if (DisplayName.contains(QLatin1Char('/')) || hasLineBreakOrNul(DisplayName))
        return {};
    return NormalDir(SpecialFolderPath(Folder)) + DisplayName + QStringLiteral(".desktop");
}

// A value of a desktop entry, where a backslash starts an escape.
QString entryValue(QString text) {
    return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

} // namespace

bool CreateFileLink(const QString& FileName, const QString& DisplayName, TSpecialFolder Folder) {
    const QString target = QFileInfo(FileName).absoluteFilePath();
    const QString path = linkPath(DisplayName, Folder);
    // A line break would add keys to the entry.
    if (path.isEmpty() || hasLineBreakOrNul(target)) {
        platform::ShowError(QStringLiteral("Impossibile creare il collegamento: il nome \"%1\" o "
                                           "il file \"%2\" contiene caratteri non ammessi")
                                .arg(platform::ProtocolLineText(DisplayName),
                                     platform::ProtocolLineText(FileName)));
        return false;
    }
    const QString folder = SpecialFolderPath(Folder);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    const QStringList lines{
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Link"),
        QStringLiteral("Name=") + entryValue(DisplayName),
        QStringLiteral("URL=") + QString::fromUtf8(QUrl::fromLocalFile(target).toEncoded()),
        QStringLiteral("Icon=") + entryValue(target),
    };
    QString error;
    if (platform::WriteWholeFile(path, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(),
                                 &error))
        return true;
    platform::ShowError(error);
    return false;
}

bool DeleteFileLink(const QString& DisplayName, TSpecialFolder Folder) {
    const QString path = linkPath(DisplayName, Folder);
    return !path.isEmpty() && QFile::remove(path);
}

namespace {

// Qt's own folder dialog, application-modal, with a "&Help" button when there is a help context.
// With mayBeNew a folder that does not exist yet may be named.
std::unique_ptr<QFileDialog> folderDialog(const QString& title, const QString& start,
                                          int helpContext, bool mayBeNew) {
    auto dialog = std::make_unique<QFileDialog>(nullptr, title, start);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(mayBeNew ? QFileDialog::AnyFile : QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (helpContext != 0)
        platform::AddHelpButton(*dialog, helpContext);
    return dialog;
}

QString desktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return DirExists(desktop) ? desktop : QDir::homePath();
}

} // namespace

bool TBrowseFolderDlg::Execute() {
    const bool exists = DirExists(FolderName);
    const QString root = QStringLiteral("/");
    const auto dialog = folderDialog(DialogText,
                                     exists        ? FolderName
                                     : DesktopRoot ? desktopFolder()
                                                   : root,
                                     HelpContext, false);
    QList<QUrl> places;
    if (DesktopRoot)
        places << QUrl::fromLocalFile(desktopFolder()) << QUrl::fromLocalFile(QDir::homePath());
    dialog->setSidebarUrls(places << QUrl::fromLocalFile(root));
    connect(dialog.get(), &QFileDialog::currentChanged, this, &TBrowseFolderDlg::selectionChanged);
    connect(dialog.get(), &QFileDialog::directoryEntered, this,
            &TBrowseFolderDlg::selectionChanged);
    dialog_ = dialog.get();
    selection_ = exists ? FolderName : QString();
    // An event handler may delete the component while the dialog is open.
    const QPointer<TBrowseFolderDlg> self(this);
    QString folder = FolderName;
    const bool chosen = platform::ExecuteDirectoryDialog(*dialog, folder, [this, &dialog] {
        if (Position == dpScreenCenter) {
            dialog->adjustSize();
            CenterWindow(dialog.get());
        }
        if (OnInitialized)
            OnInitialized(this);
    });
    if (!self)
        return false;
    dialog_ = nullptr;
    selection_.clear();
    if (chosen)
        FolderName = RemoveBackSlash(folder);
    return chosen;
}

void TBrowseFolderDlg::selectionChanged(const QString& path) {
    selection_ = path;
    if (OnSelChanged)
        OnSelChanged(this);
}

bool SelectDirectory(QString& Directory, TSelectDirOpts Options, int HelpCtx) {
    const bool mayBeNew = Options & sdAllowCreate;
    const auto dialog =
        folderDialog(QStringLiteral("Seleziona cartella"),
                     DirExists(Directory) ? Directory : QStringLiteral("/"), HelpCtx, mayBeNew);
    QString folder = Directory;
    if (!platform::ExecuteDirectoryDialog(*dialog, folder))
        return false;
    folder = RemoveBackSlash(folder);
    if (!DirExists(folder)) {
        if (!mayBeNew)
            return false;
        if (Options & sdPerformCreate) {
            if ((Options & sdPrompt) &&
                platform::MessageBox(
                    QStringLiteral("La cartella \"%1\" non esiste. Crearla?").arg(folder),
                    platform::ProductCaption(),
                    platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
                return false;
            ForceDirectories(folder);
            if (!DirExists(folder)) {
                platform::ShowError(
                    QStringLiteral("Impossibile creare la cartella \"%1\"").arg(folder));
                return false;
            }
        }
    }
    Directory = folder;
    return true;
}

bool BrowseDirectory(QString& AFolderName, const QString& DlgText, int AHelpContext) {
    TBrowseFolderDlg dialog;
    dialog.DialogText = DlgText;
    dialog.FolderName = AFolderName;
    dialog.HelpContext = AHelpContext;
    if (!dialog.Execute())
        return false;
    AFolderName = dialog.FolderName;
    return true;
}
