#pragma once
// The superuser reads and writes anywhere: for a while the thread checks file permissions as
// "nobody" does, so tests of refused reads and writes hold as root too.

#include <sys/fsuid.h>
#include <unistd.h>

class TFilePermissionsOfNobody {
public:
    TFilePermissionsOfNobody() : root_(::geteuid() == 0) {
        if (root_)
            ::setfsuid(65534);
    }
    ~TFilePermissionsOfNobody() {
        if (root_)
            ::setfsuid(0);
    }
    TFilePermissionsOfNobody(const TFilePermissionsOfNobody&) = delete;
    TFilePermissionsOfNobody& operator=(const TFilePermissionsOfNobody&) = delete;

private:
    bool root_;
};
