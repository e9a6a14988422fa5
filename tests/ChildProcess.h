#pragma once
// Runs a piece of a test in a forked child: one whose files may not grow beyond a limit, as on a
// full disk (a write past the limit fails with EFBIG instead of killing the child), or one whose
// peak memory is measured.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The child's exit code is body's result; -1 when the child did not exit normally.
inline int RunWithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap{limit, limit};
        setrlimit(RLIMIT_FSIZE, &cap);
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A value in kB of the process's /proc status ("VmRSS", "VmHWM"); -1 when missing.
inline long ProcessStatusKb(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return value;
}

struct ChildMemoryRun {
    int exitCode = -1;
    // How far the child's peak resident memory rose above what it had on starting, in kB.
    long peakGrowthKb = -1;
};

// Runs body in a forked child and measures how much memory it took at its peak; the exit code
// is body's result, -1 when the child did not exit normally.
inline ChildMemoryRun RunMeasuringPeakMemory(const std::function<int()>& body) {
    ChildMemoryRun run;
    int channel[2];
    if (pipe(channel) != 0)
        return run;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        const long before = ProcessStatusKb("VmRSS");
        const int code = body();
        const long growth = ProcessStatusKb("VmHWM") - before;
        const bool sent = write(channel[1], &growth, sizeof growth) == sizeof growth;
        _exit(sent ? code : 125);
    }
    close(channel[1]);
    if (pid > 0 &&
        read(channel[0], &run.peakGrowthKb, sizeof run.peakGrowthKb) != sizeof run.peakGrowthKb)
        run.peakGrowthKb = -1;
    close(channel[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}
