// Time to first paint and peak memory of tamsel's start-up against a minimal Qt Widgets
// window that shows the same background, printed as ratios (tamsel / baseline) of the
// medians. Every run is a fresh process in a network namespace of its own, so tamsel's
// discovery broadcast goes nowhere; that needs root. The platform is QT_QPA_PLATFORM,
// offscreen when unset.
//
// Usage: firstpaint_runner PROBE BASELINE [REPETITIONS]

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kReportTimeoutMs = 30000;

struct Sample {
    double firstPaintMs = 0;
    long peakKb = 0;
};

long long NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

[[noreturn]] void RunChild(const std::string& program, int reportFd, const std::string& runtime) {
    if (unshare(CLONE_NEWNET) != 0) {
        std::perror("firstpaint_runner: unshare(CLONE_NEWNET) (root needed)");
        _exit(126);
    }
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string fd = std::to_string(reportFd);
    execl(program.c_str(), program.c_str(), fd.c_str(), static_cast<char*>(nullptr));
    std::perror("firstpaint_runner: exec");
    _exit(127);
}

std::optional<Sample> RunOnce(const std::string& program, const std::string& runtime) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const long long start = NowNs();
    const pid_t pid = fork();
    if (pid == 0) {
        RunChild(program, fds[1], runtime);
    }
    close(fds[1]);
    std::string report;
    pollfd watched{fds[0], POLLIN, 0};
    char buffer[64];
    while (report.find('\n') == std::string::npos) {
        if (poll(&watched, 1, kReportTimeoutMs) <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        report.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (report.find('\n') == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "firstpaint_runner: %s gave no report (status %d)\n", program.c_str(),
                     status);
        return std::nullopt;
    }
    Sample sample;
    sample.firstPaintMs = static_cast<double>(std::atoll(report.c_str()) - start) / 1e6;
    sample.peakKb = usage.ru_maxrss;
    return sample;
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROBE BASELINE [REPETITIONS]\n", argv[0]);
        return 2;
    }
    const std::string probe = argv[1];
    const std::string baseline = argv[2];
    const int repetitions = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;

    char runtimeTemplate[] = "/tmp/tamsel-firstpaint.XXXXXX";
    if (mkdtemp(runtimeTemplate) == nullptr) {
        std::perror("firstpaint_runner: mkdtemp");
        return 1;
    }
    const std::string runtime = runtimeTemplate;

    // One unmeasured run each, so both start from a warm page cache.
    if (!RunOnce(baseline, runtime) || !RunOnce(probe, runtime)) {
        rmdir(runtime.c_str());
        return 1;
    }
    std::vector<Sample> base;
    std::vector<Sample> tamsel;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("first paint and peak memory, %d runs each, platform %s\n", repetitions,
                platform != nullptr ? platform : "offscreen");
    std::printf("%4s %14s %14s %14s %14s\n", "run", "baseline ms", "tamsel ms", "baseline KiB",
                "tamsel KiB");
    for (int i = 0; i < repetitions; ++i) {
        const auto b = RunOnce(baseline, runtime);
        const auto t = RunOnce(probe, runtime);
        if (!b || !t) {
            rmdir(runtime.c_str());
            return 1;
        }
        base.push_back(*b);
        tamsel.push_back(*t);
        std::printf("%4d %14.1f %14.1f %14ld %14ld\n", i + 1, b->firstPaintMs, t->firstPaintMs,
                    b->peakKb, t->peakKb);
    }
    std::vector<double> baseMs;
    std::vector<double> tamselMs;
    std::vector<long> baseKb;
    std::vector<long> tamselKb;
    for (int i = 0; i < repetitions; ++i) {
        baseMs.push_back(base[static_cast<size_t>(i)].firstPaintMs);
        tamselMs.push_back(tamsel[static_cast<size_t>(i)].firstPaintMs);
        baseKb.push_back(base[static_cast<size_t>(i)].peakKb);
        tamselKb.push_back(tamsel[static_cast<size_t>(i)].peakKb);
    }
    const double medianBaseMs = Median(baseMs);
    const double medianTamselMs = Median(tamselMs);
    const long medianBaseKb = Median(baseKb);
    const long medianTamselKb = Median(tamselKb);
    std::printf("%4s %14.1f %14.1f %14ld %14ld\n", "med", medianBaseMs, medianTamselMs,
                medianBaseKb, medianTamselKb);
    std::printf("tamsel / baseline: first paint %.2f, peak memory %.2f\n",
                medianTamselMs / medianBaseMs,
                static_cast<double>(medianTamselKb) / static_cast<double>(medianBaseKb));
    rmdir(runtime.c_str());
    return 0;
}
