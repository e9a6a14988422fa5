#pragma once
// A temporary folder in memory (/dev/shm) where there is one, so the targets' file writes and
// syncs cost no disk time; the usual temporary folder otherwise.

#include <QDir>
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
