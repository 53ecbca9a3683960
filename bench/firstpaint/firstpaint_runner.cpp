// Time to first paint and peak memory of tamsel's start-up against a minimal Qt Widgets
// window that shows the same background, printed as ratios (tamsel / baseline) of the
// medians. Every run is a fresh process in a network namespace of its own, so tamsel's
// discovery broadcast goes nowhere; that needs root. The platform is QT_QPA_PLATFORM,
// offscreen when unset.
//
// With --accessibility both run a second time each round with Qt's accessibility switched
// on (QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1), which needs an AT-SPI bus and a platform that
// talks to it (scripts/wayland-session.sh gives both); the runs report whether it was on
// at their first paint, and a run that does not match its setting ends the benchmark.
//
// Usage: firstpaint_runner [--accessibility] PROBE BASELINE [REPETITIONS]

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
    bool accessibleAtPaint = false;
};

long long NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One program under one setting of Qt's accessibility.
struct Variant {
    const char* name;
    std::string program;
    bool accessible;
};

[[noreturn]] void RunChild(const Variant& variant, int reportFd, const std::string& runtime) {
    if (unshare(CLONE_NEWNET) != 0) {
        std::perror("firstpaint_runner: unshare(CLONE_NEWNET) (root needed)");
        _exit(126);
    }
    // A session's own runtime directory holds its display's socket.
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (variant.accessible) {
        setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    } else {
        unsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    }
    const std::string& program = variant.program;
    const std::string fd = std::to_string(reportFd);
    execl(program.c_str(), program.c_str(), fd.c_str(), static_cast<char*>(nullptr));
    std::perror("firstpaint_runner: exec");
    _exit(127);
}

std::optional<Sample> RunOnce(const Variant& variant, const std::string& runtime) {
    const std::string& program = variant.program;
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const long long start = NowNs();
    const pid_t pid = fork();
    if (pid == 0) {
        RunChild(variant, fds[1], runtime);
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
    // "<CLOCK_MONOTONIC ns> <accessibility on at the paint> <on by the report>", 1 or 0.
    const std::string flags = report.substr(std::min(report.find(' '), report.size()));
    const bool accessible = flags.size() >= 4 && flags[3] == '1';
    if (accessible != variant.accessible) {
        std::fprintf(stderr, "firstpaint_runner: %s ran with accessibility %s%s\n", program.c_str(),
                     accessible ? "on" : "off",
                     accessible ? "" : " (no AT-SPI bus? try scripts/wayland-session.sh)");
        return std::nullopt;
    }
    Sample sample;
    sample.firstPaintMs = static_cast<double>(std::atoll(report.c_str()) - start) / 1e6;
    sample.accessibleAtPaint = flags.size() >= 2 && flags[1] == '1';
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
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool accessibility = !args.empty() && args.front() == "--accessibility";
    if (accessibility) {
        args.erase(args.begin());
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s [--accessibility] PROBE BASELINE [REPETITIONS]\n", argv[0]);
        return 2;
    }
    const int repetitions = args.size() > 2 ? std::max(1, std::atoi(args[2].c_str())) : 7;
    // Baseline first, then tamsel, each round: both meet the same load.
    std::vector<Variant> variants = {{"baseline", args[1], false}, {"tamsel", args[0], false}};
    if (accessibility) {
        variants.push_back({"baseline a11y", args[1], true});
        variants.push_back({"tamsel a11y", args[0], true});
    }

    char runtimeTemplate[] = "/tmp/tamsel-firstpaint.XXXXXX";
    if (mkdtemp(runtimeTemplate) == nullptr) {
        std::perror("firstpaint_runner: mkdtemp");
        return 1;
    }
    const std::string runtime = runtimeTemplate;
    auto fail = [&] {
        rmdir(runtime.c_str());
        return 1;
    };

    // One unmeasured run each, so that all start from a warm page cache.
    for (const Variant& variant : variants) {
        if (!RunOnce(variant, runtime)) {
            return fail();
        }
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("first paint (ms) and peak memory (KiB), %d runs each, platform %s\n", repetitions,
                platform != nullptr ? platform : "offscreen");
    std::printf("%4s", "run");
    for (const Variant& variant : variants) {
        std::printf(" %14s", variant.name);
    }
    for (const Variant& variant : variants) {
        std::printf(" %14s", (std::string(variant.name) + " KiB").c_str());
    }
    std::printf("\n");
    std::vector<std::vector<double>> ms(variants.size());
    std::vector<int> accessibleAtPaint(variants.size());
    std::vector<std::vector<long>> kb(variants.size());
    for (int i = 0; i < repetitions; ++i) {
        std::printf("%4d", i + 1);
        for (size_t v = 0; v < variants.size(); ++v) {
            const auto sample = RunOnce(variants[v], runtime);
            if (!sample) {
                return fail();
            }
            ms[v].push_back(sample->firstPaintMs);
            accessibleAtPaint[v] += sample->accessibleAtPaint ? 1 : 0;
            kb[v].push_back(sample->peakKb);
            std::printf(" %14.1f", sample->firstPaintMs);
        }
        for (size_t v = 0; v < variants.size(); ++v) {
            std::printf(" %14ld", kb[v].back());
        }
        std::printf("\n");
    }
    std::vector<double> medianMs;
    std::vector<double> medianKb;
    std::printf("%4s", "med");
    for (size_t v = 0; v < variants.size(); ++v) {
        medianMs.push_back(Median(ms[v]));
        std::printf(" %14.1f", medianMs.back());
    }
    for (size_t v = 0; v < variants.size(); ++v) {
        medianKb.push_back(static_cast<double>(Median(kb[v])));
        std::printf(" %14.0f", medianKb.back());
    }
    std::printf("\n");
    std::printf("tamsel / baseline, accessibility off: first paint %.2f, peak memory %.2f\n",
                medianMs[1] / medianMs[0], medianKb[1] / medianKb[0]);
    if (accessibility) {
        const double ratio = medianMs[3] / medianMs[2];
        std::printf(
            "tamsel / baseline, accessibility on: first paint %.2f (goal <= 1.5: %s), "
            "peak memory %.2f\n",
            ratio, ratio <= 1.5 ? "met" : "missed", medianKb[3] / medianKb[2]);
        std::printf(
            "accessibility on / off: baseline first paint %.2f, tamsel first paint %.2f; "
            "tamsel with it on / baseline with it off: %.2f\n",
            medianMs[2] / medianMs[0], medianMs[3] / medianMs[1], medianMs[3] / medianMs[0]);
        std::printf(
            "accessibility already on at the first paint: baseline %d, tamsel %d of %d "
            "runs\n",
            accessibleAtPaint[2], accessibleAtPaint[3], repetitions);
    }
    rmdir(runtime.c_str());
    return 0;
}
