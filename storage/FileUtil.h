#pragma once
// File and folder helpers with "/" paths: normalising folders, creating and clearing them,
// copying (with an optional progress control) and moving files, wildcard deletion, name checks,
// record locks, attributes, desktop links in the special folders, the folder-browse dialog and the
// desktop's file operations (TKxFileOperator, in FileUtilOperator.cpp).

#include "platform/Classes.h"
#include "storage/DateUtil.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <stdexcept>

class QWidget;

// A failed copy: "Cannot open file %s", "Cannot create file %s", "Stream read error",
// "Stream write error".
class EFileError : public std::runtime_error {
public:
    explicit EFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

QString NormalDir(const QString& DirName);
QString RemoveBackSlash(const QString& DirName);
bool DirExists(const QString& Name);
void ForceDirectories(const QString& Dir);
// Throws EFileError; the destination may be an existing folder. With ShellDialog the copy is a
// TKxFileOperator's, and its failure or cancellation throws platform::EAbort.
void CopyFile(const QString& FileName, const QString& DestName, QObject* ProgressControl = nullptr);
void CopyFileEx(const QString& FileName, const QString& DestName, bool OverwriteReadOnly,
                bool ShellDialog, QObject* ProgressControl = nullptr);
// The copy behind CopyFileEx: built under a hidden name beside the destination file and put in
// its place (over an existing one only with Replace) once complete, so a failure leaves the old
// destination as it was. Throws EFileError.
void CopyFileOnto(const QString& FileName, const QString& DestName, bool Replace,
                  bool OverwriteReadOnly, QObject* ProgressControl = nullptr);
// Renames; across file systems copies and deletes the source. Throws EFileError, also for a
// missing source.
void MoveFile(const QString& FileName, const QString& DestName);
// With ShellDialog a TKxFileOperator's move or rename, whose failure throws platform::EAbort.
void MoveFileEx(const QString& FileName, const QString& DestName, bool ShellDialog);
qint64 GetFileSize(const QString& FileName);
TDateTime FileDateTime(const QString& FileName);
// The platform's attribute bits, read from what Linux keeps: read-only is a missing owner write
// permission, hidden a leading ".", a system file anything that is neither a file, a folder nor a
// link. A volume label and the archive bit do not exist here.
enum TFileAttr : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
};
// All bits of Attr are set; false for a missing file.
bool HasAttr(const QString& FileName, int Attr);
// Only "*" and "?" are wildcards in the mask.
bool DeleteFiles(const QString& FileMask);
bool DeleteFilesEx(const QStringList& FileMasks);
// Never follows a symbolic link and never clears "/".
bool ClearDir(const QString& Path, bool Delete);
QString GetTempDir();
bool ValidFileName(const QString& FileName);
// Record locks on an open descriptor: 0 on success, else the system's error number.
int FileLock(int Handle, qint64 Offset, qint64 LockSize);
int FileUnlock(int Handle, qint64 Offset, qint64 LockSize);
// Names have one form here: the name itself when the file exists, else "".
QString ShortToLongFileName(const QString& ShortName);
QString LongToShortFileName(const QString& LongName);
QString ShortToLongPath(const QString& ShortName);
QString LongToShortPath(const QString& LongName);

enum TSpecialFolder { sfDesktop, sfApplications, sfDocuments };
QString SpecialFolderPath(TSpecialFolder Folder);
// A freedesktop link entry DisplayName + ".desktop" in the folder, pointing at the file. A name
// holding "/", a line break or NUL, or a file name holding a line break or NUL, is refused with an
// error, as it would put the entry outside the folder or add keys to it.
bool CreateFileLink(const QString& FileName, const QString& DisplayName, TSpecialFolder Folder);
bool DeleteFileLink(const QString& DisplayName, TSpecialFolder Folder);

// Browsing the network's computers has no counterpart here: folders only.
enum TBrowseKind { bfFolders };
enum TDialogPosition { dpDefault, dpScreenCenter };

// The folder browser, on Qt's own folder dialog. The desktop root starts it at the desktop folder
// with the desktop, the home and the file system's root beside the list; without it the file
// system's root alone stands for the computer's drives. The directory-dialog hook answers it
// instead (no events then).
class TBrowseFolderDlg : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    TBrowseKind BrowseKind = bfFolders;
    bool DesktopRoot = true;
    QString DialogText;
    QString FolderName;
    int HelpContext = 0;
    TDialogPosition Position = dpScreenCenter;
    // Once the dialog is set up, before it shows; at every change of the selection.
    TNotifyEvent OnInitialized;
    TNotifyEvent OnSelChanged;
    virtual bool Execute();

    // While the dialog is open: its window, and the path of the current selection ("" for none).
    QFileDialog* Dialog() const { return dialog_; }
    QString SelectionPath() const { return selection_; }

private:
    void selectionChanged(const QString& path);

    QPointer<QFileDialog> dialog_;
    QString selection_;
};

// The classic folder chooser's options: a folder that does not exist may be named, is then made,
// after a question.
enum TSelectDirOpt : int { sdAllowCreate = 1, sdPerformCreate = 2, sdPrompt = 4 };
using TSelectDirOpts = int;
// The classic folder chooser opened at Directory: true with Directory set to the choice. A
// "&Help" button opens the help at HelpCtx when it is not 0.
bool SelectDirectory(QString& Directory, TSelectDirOpts Options, int HelpCtx);

enum TFileOperation { foCopy, foDelete, foMove, foRename };
enum TFileOperFlag : int {
    flAllowUndo = 0x001,
    flConfirmMouse = 0x002,
    flFilesOnly = 0x004,
    flMultiDest = 0x008,
    flNoConfirmation = 0x010,
    flNoConfirmMkDir = 0x020,
    flRenameOnCollision = 0x040,
    flSilent = 0x080,
    flSimpleProgress = 0x100,
    flNoErrorUI = 0x200,
};
using TFileOperFlags = int;

// The desktop's file operations. Source and Destination are lists of names separated by ";" or
// "|" (an empty name ends the list); a source name may hold the wildcards "*" and "?", every other
// character matching itself. A delete with flAllowUndo moves to the desktop's trash, from where
// the file manager restores it. Questions go through the message-box helper, failures through the
// error helper unless flNoErrorUI. The operation stops at the first failure; whatever failed is
// left where it was.
class TKxFileOperator : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    TFileOperation Operation = foCopy;
    TFileOperFlags Options = flAllowUndo | flNoConfirmMkDir;
    QString ProgressTitle;
    QString Source;
    QString Destination;
    // The user skipped or cancelled part of the last operation.
    bool Aborted() const { return aborted_; }
    virtual bool Execute();

private:
    class Run;
    bool aborted_ = false;
};

bool BrowseDirectory(QString& AFolderName, const QString& DlgText, int AHelpContext);
