#pragma once
// A file system that is full after a few pages, for copies that fail half-way: a tmpfs of 64 KB
// mounted on a temporary folder where the tests may mount (as root). Elsewhere it is not mounted
// and a test limits the size of the files a child process may write instead (ChildProcess.h).

#include "tests/ChildProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class SmallFileSystem {
public:
    static constexpr long Size = 64 * 1024;

    SmallFileSystem() {
        mounted_ = ::geteuid() == 0 && dir_.isValid() &&
                   ::mount("quendel-test", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                           MS_NOSUID | MS_NODEV, "size=64k,mode=0700") == 0;
    }
    ~SmallFileSystem() {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    QString Path() const { return dir_.path(); }
    QString FilePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// A full disk either way: the small file system where one can be mounted, else a folder here
// written by a child whose files may not grow past that size. `Far` is a folder on another file
// system, so that a move from there copies.
struct FullDisk {
    SmallFileSystem small;
    QTemporaryDir local{QDir::currentPath() + "/full-XXXXXX"};
    QTemporaryDir far{small.Mounted() || !QFileInfo(QStringLiteral("/dev/shm")).isDir()
                          ? QDir::tempPath() + "/far-XXXXXX"
                          : QStringLiteral("/dev/shm/quendel-XXXXXX")};

    QString Folder() const { return small.Mounted() ? small.Path() : local.path(); }
    QString Far(const QString& name) const { return far.filePath(name); }
    bool TwoFileSystems() const {
        struct stat a {
        }, b{};
        return far.isValid() && ::stat(QFile::encodeName(Folder()).constData(), &a) == 0 &&
               ::stat(QFile::encodeName(far.path()).constData(), &b) == 0 && a.st_dev != b.st_dev;
    }
    // The body's result, from a child process.
    int Run(const std::function<int()>& body) const {
        return RunWithFileSizeLimit(small.Mounted() ? RLIM_INFINITY : rlim_t(SmallFileSystem::Size),
                                    body);
    }
};
