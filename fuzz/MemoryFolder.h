#pragma once
// A temporary folder in memory (/dev/shm) where there is one, so the targets' file writes and
// syncs cost no disk time; the usual temporary folder otherwise.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

inline std::unique_ptr<QTemporaryDir> MemoryFolder(const QString& name) {
    if (QDir(QStringLiteral("/dev/shm")).exists()) {
        auto dir = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/") + name +
                                                   QStringLiteral("-XXXXXX"));
        if (dir->isValid())
            return dir;
    }
    return std::make_unique<QTemporaryDir>();
}

// The input as a new file, as a program that replaces a file does; a file changed in place within
// the same clock tick could keep the stamp its readers recognise it by.
inline bool WriteInput(const QString& path, const QByteArray& data) {
    QFile::remove(path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}
