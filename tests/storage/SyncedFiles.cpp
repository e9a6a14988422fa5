#include "tests/storage/SyncedFiles.h"

#include <QFile>

#include <atomic>
#include <climits>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> recording{false};
std::mutex mutex;
std::vector<TSyncedFile> synced;

using TSync = int (*)(int);

TSync Next(const char* name) {
    return reinterpret_cast<TSync>(::dlsym(RTLD_NEXT, name));
}

void Note(int fd) {
    struct stat info {};
    if (!recording || ::fstat(fd, &info) != 0)
        return;
    char link[PATH_MAX];
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t length = ::readlink(proc.constData(), link, sizeof link);
    const QString path = length > 0 ? QFile::decodeName(QByteArray(link, length)) : QString();
    const std::lock_guard lock(mutex);
    synced.push_back({path, info.st_dev, info.st_ino, info.st_size});
}

} // namespace

extern "C" int fsync(int fd) {
    static const TSync next = Next("fsync");
    const int result = next(fd);
    if (result == 0)
        Note(fd);
    return result;
}

extern "C" int fdatasync(int fd) {
    static const TSync next = Next("fdatasync");
    const int result = next(fd);
    if (result == 0)
        Note(fd);
    return result;
}

TSyncRecording::TSyncRecording() {
    const std::lock_guard lock(mutex);
    synced.clear();
    recording = true;
}

TSyncRecording::~TSyncRecording() {
    recording = false;
}

std::vector<TSyncedFile> TSyncRecording::Files() const {
    const std::lock_guard lock(mutex);
    return synced;
}
