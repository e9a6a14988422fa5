#pragma once
// What the copy helpers and the file operator share: masks in which only "*" and "?" are
// wildcards, entries removed and renamed without following links, and copies built under a
// hidden name beside their target so that a failed or killed copy never takes the target's place.

#include <QDir>
#include <QString>
#include <QStringList>

// "*" is any run of characters, "?" one character; everything else matches itself, ignoring case.
bool MatchesMask(const QString& name, const QString& mask);
// The names in the folder that match the mask.
QStringList EntriesMatching(const QString& folder, const QString& mask, QDir::Filters filters);

// A file, a link or a whole folder; a link is removed, never what it points at.
bool RemoveEntry(const QString& path);
// rename(2) that replaces an existing entry only when told to; 0 or the error number.
int RenameEntry(const QString& from, const QString& to, bool replace);

// "name" for n < 2, then "name (2).ext", "name (3).ext"...; a folder's name has no extension.
QString NumberedName(const QString& name, int n, bool isFolder);
constexpr int MaxNumberedNames = 100000;
// The first numbered name in the folder that nothing holds, or "" when all are taken.
QString FreeName(const QString& folder, const QString& name, bool isFolder);

// A copy being built as ".NAME.parziale" (numbered when taken) beside its target. The claimed
// file or folder stays locked while this object lives, which tells it from a leftover of a run
// that was killed; it is removed again unless it was put in place.
class PartialCopy {
public:
    enum Kind { File, Folder };
    PartialCopy(const QString& target, Kind kind);
    ~PartialCopy();
    PartialCopy(const PartialCopy&) = delete;
    PartialCopy& operator=(const PartialCopy&) = delete;

    // ".NAME.parziale", NAME cut where the whole would pass the file system's limit.
    static QString NameFor(const QString& target);

    bool Claimed() const { return handle_ >= 0; }
    // The system's reason when nothing could be claimed.
    int Error() const { return error_; }
    const QString& Path() const { return path_; }
    // The claimed file open for writing (a folder's is open for reading only).
    int Handle() const { return handle_; }
    // 0 or the error number; the copy is no longer removed once in place.
    int PutInPlace(const QString& target, bool replace);

private:
    QString path_;
    int handle_ = -1;
    int error_ = 0;
    bool placed_ = false;
};

// Partial copies in the folder that no run holds any longer: leftovers of a killed run.
void RemoveLeftoverCopies(const QString& folder);
