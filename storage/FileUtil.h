#pragma once
// File and folder helpers with "/" paths: normalising folders, creating and clearing them,
// copying (with an optional progress control) and moving files, wildcard deletion, name checks,
// record locks, desktop links in the special folders, and the folder-browse dialog.

#include "storage/DateUtil.h"

#include <QObject>
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
// Throws EFileError; the destination may be an existing folder.
void CopyFile(const QString& FileName, const QString& DestName, QObject* ProgressControl = nullptr);
void CopyFileEx(const QString& FileName, const QString& DestName, bool OverwriteReadOnly,
                QObject* ProgressControl = nullptr);
// Renames; across file systems copies and deletes the source. Throws EFileError.
void MoveFile(const QString& FileName, const QString& DestName);
qint64 GetFileSize(const QString& FileName);
TDateTime FileDateTime(const QString& FileName);
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
// A freedesktop link entry DisplayName + ".desktop" in the folder, pointing at the file.
bool CreateFileLink(const QString& FileName, const QString& DisplayName, TSpecialFolder Folder);
bool DeleteFileLink(const QString& DisplayName, TSpecialFolder Folder);

enum TBrowseKind { bfFolders };

class TBrowseFolderDlg : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    TBrowseKind BrowseKind = bfFolders;
    QString DialogText;
    QString FolderName;
    int HelpContext = 0;
    bool Execute();
};

bool BrowseDirectory(QString& AFolderName, const QString& DlgText, int AHelpContext);
