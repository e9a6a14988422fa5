#pragma once
// Runs a piece of a test in a forked child: one whose files may not grow beyond a limit, as on a
// full disk (a write past the limit fails with EFBIG instead of killing the child), or one whose
// peak memory is measured where nothing else of the test counts.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
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

// A field of this process's memory from /proc in KB: "VmRSS" now, "VmHWM" its peak.
inline long MemoryKb(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    const size_t length = std::strlen(field);
    char line[256];
    long value = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':')
            value = std::atol(line + length + 1);
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
// is body's result, -1 when the child did not end normally within a minute.
inline ChildMemoryRun RunMeasuringPeakMemory(const std::function<int()>& body);

struct TMeasuredRun {
    bool ended = false; // body returned within the time and the memory ceiling
    long growthKb = -1; // the child's peak resident memory beyond what it started with
    std::string output; // what body returned
};

// Runs body in a forked child (whose peak memory starts afresh at the fork) and measures what it
// takes. serve() is called over and over meanwhile, so that peers living in this process keep
// answering. A child that grows past ceilingKb or outlives timeoutMs is killed.
inline TMeasuredRun RunMeasured(const std::function<std::string()>& body, long ceilingKb,
                                int timeoutMs, const std::function<void()>& serve) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeEnds[0]);
        const long start = MemoryKb("VmRSS");
        std::thread([start, ceilingKb] {
            for (;;) {
                if (MemoryKb("VmRSS") - start > ceilingKb)
                    _exit(3);
                usleep(10000);
            }
        }).detach();
        const std::string text = body();
        const std::string report = std::to_string(MemoryKb("VmHWM") - start) + "\n" + text;
        for (size_t done = 0; done < report.size();) {
            const ssize_t written = write(pipeEnds[1], report.data() + done, report.size() - done);
            if (written <= 0)
                _exit(4);
            done += size_t(written);
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    if (pid < 0) {
        close(pipeEnds[0]);
        return {};
    }
    fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    std::string report;
    const auto drain = [&] {
        char chunk[4096];
        ssize_t got;
        while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0)
            report.append(chunk, size_t(got));
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        serve();
        drain();
        if (waitpid(pid, &status, WNOHANG) == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
    }
    drain();
    close(pipeEnds[0]);
    TMeasuredRun run;
    run.ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (const size_t end = report.find('\n'); run.ended && end != std::string::npos) {
        run.growthKb = std::atol(report.c_str());
        run.output = report.substr(end + 1);
    }
    return run;
}

inline ChildMemoryRun RunMeasuringPeakMemory(const std::function<int()>& body) {
    const TMeasuredRun measured =
        RunMeasured([&] { return std::to_string(body()); }, std::numeric_limits<long>::max() / 2,
                    60000, [] { usleep(1000); });
    ChildMemoryRun run;
    if (measured.ended) {
        run.exitCode = std::atoi(measured.output.c_str());
        run.peakGrowthKb = measured.growthKb;
    }
    return run;
}
