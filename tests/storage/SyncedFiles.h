#pragma once
// Which files reached the disk: while a recording runs, the test program's own fsync and
// fdatasync note the name and identity of every file they sync, then hand it to the C library's.

#include <QString>

#include <sys/types.h>

#include <vector>

struct TSyncedFile {
    QString path; // the name the file had when it was synced
    dev_t device;
    ino_t inode;
    off_t size;
};

class TSyncRecording {
public:
    TSyncRecording();
    ~TSyncRecording();
    TSyncRecording(const TSyncRecording&) = delete;
    TSyncRecording& operator=(const TSyncRecording&) = delete;

    std::vector<TSyncedFile> Files() const;
};
