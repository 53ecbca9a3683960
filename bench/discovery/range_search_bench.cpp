// A search at a block of addresses, measured against its own schedule and against a
// broadcast search.
//
//   bench_range_search search broadcast|CIDR
//       Runs one search with the discovery manager (real sockets, the poll loop, the 300 ms
//       timer) from queueing to its end and prints one line of figures:
//       "addresses=N ms=T schedule_ms=S found=F rss_peak_kib=R heap_peak=H", where S is
//       the time the pacing schedule gives (the first tick one period after queueing, the
//       end at the tick AddressSweep::ScheduledEndTick names), R the process's peak
//       resident set and H the peak of the heap bytes in use above the level at queueing.
//   bench_range_search compare CIDR ROUNDS
//       Runs both searches ROUNDS times, each in a process of its own and in alternating
//       order, and prints the medians and the two ratios: the block search's time against
//       its schedule (goal <= 1.2) and its peak memory against the broadcast search's
//       (goal < 1.3), for the resident set and for the heap.
//
// scripts/bench.sh runs it in a namespace routed to the block, with a simulated repeater
// answering at one of its addresses.

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/discovery_manager.h"
#include "platform/ansi_text.h"
#include "platform/async_socket.h"
#include "platform/poll_event_loop.h"
#include "platform/tick_clock.h"

namespace {

// Heap bytes in use, counted by the replaced global operator new and delete below.
std::atomic<int64_t> g_heapInUse{0};
std::atomic<int64_t> g_heapPeak{0};

void* Allocate(size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    const int64_t now = g_heapInUse += static_cast<int64_t>(malloc_usable_size(block));
    int64_t peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
    return block;
}

void Release(void* block) {
    if (block != nullptr) {
        g_heapInUse -= static_cast<int64_t>(malloc_usable_size(block));
        std::free(block);
    }
}

int Search(const std::string& what) {
    PollEventLoop loop;
    const std::unique_ptr<ISocketFactory> sockets = MakeBsdSocketFactory(loop);
    DiscoveryManager discovery(*sockets, MonotonicTickClock::Instance());

    std::optional<SearchTarget> target;
    if (what != "broadcast") {
        const SearchTargetParse parsed = ParseSearchTarget(AnsiToWide(what));
        if (!parsed.target) {
            std::fprintf(stderr, "bench_range_search: %s\n", WideToAnsi(parsed.reason).c_str());
            return 2;
        }
        target = parsed.target;
    }
    const uint32_t addresses = target ? target->Count() : 1;
    const uint32_t endTick = AddressSweep::ScheduledEndTick(
        addresses, DiscoveryManager::kSendsPerSearch, DiscoveryManager::kSendIntervalMs,
        DiscoveryManager::kTimerPeriodMs);
    const uint32_t scheduleMs = (endTick + 1) * DiscoveryManager::kTimerPeriodMs;

    g_heapPeak = g_heapInUse.load();
    const int64_t heapBefore = g_heapInUse.load();
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point end;
    loop.StartTimer(DiscoveryManager::kTimerPeriodMs, [&] {
        discovery.OnDiscoveryTimer(DiscoveryManager::kTimerId);
        if (discovery.GetRequestCount() == 0) {
            end = std::chrono::steady_clock::now();
            loop.Quit();
        }
    });
    if (target) {
        discovery.QueueAddressSearch(L"1", *target);
    } else {
        discovery.QueueSearch(L"1");
    }
    loop.Run();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double ms = std::chrono::duration<double, std::milli>(end - start).count();
    std::printf("addresses=%u ms=%.1f schedule_ms=%u found=%d rss_peak_kib=%ld heap_peak=%lld\n",
                addresses, ms, scheduleMs, discovery.GetDeviceCount(), usage.ru_maxrss,
                static_cast<long long>(g_heapPeak.load() - heapBefore));
    return discovery.GetDeviceCount() > 0 ? 0 : 1;
}

std::map<std::string, double> RunChild(const char* self, const std::string& what) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        std::exit(1);
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execl("/proc/self/exe", self, "search", what.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string out;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof(buffer))) > 0;) {
        out.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_range_search: the %s search failed (found nothing?)\n%s",
                     what.c_str(), out.c_str());
        std::exit(1);
    }
    std::map<std::string, double> figures;
    std::istringstream words(out);
    for (std::string word; words >> word;) {
        const size_t equals = word.find('=');
        figures[word.substr(0, equals)] = std::stod(word.substr(equals + 1));
    }
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Compare(const char* self, const std::string& block, int rounds) {
    std::map<std::string, std::vector<double>> broadcast;
    std::map<std::string, std::vector<double>> range;
    for (int round = 0; round < rounds; ++round) {
        // Alternating order, so that both meet the same load.
        for (int turn = 0; turn < 2; ++turn) {
            const bool rangeTurn = (round + turn) % 2 == 1;
            for (const auto& [key, value] : RunChild(self, rangeTurn ? block : "broadcast")) {
                (rangeTurn ? range : broadcast)[key].push_back(value);
            }
        }
    }
    const double rangeMs = Median(range["ms"]);
    const double rangeSchedule = Median(range["schedule_ms"]);
    const double broadcastMs = Median(broadcast["ms"]);
    const double broadcastSchedule = Median(broadcast["schedule_ms"]);
    std::printf(
        "rounds=%d addresses=%.0f range_ms=%.1f range_schedule_ms=%.0f range_time_ratio=%.4f "
        "broadcast_ms=%.1f broadcast_schedule_ms=%.0f broadcast_time_ratio=%.4f "
        "range_rss_kib=%.0f broadcast_rss_kib=%.0f rss_ratio=%.4f "
        "range_heap=%.0f broadcast_heap=%.0f heap_ratio=%.4f\n",
        rounds, Median(range["addresses"]), rangeMs, rangeSchedule, rangeMs / rangeSchedule,
        broadcastMs, broadcastSchedule, broadcastMs / broadcastSchedule,
        Median(range["rss_peak_kib"]), Median(broadcast["rss_peak_kib"]),
        Median(range["rss_peak_kib"]) / Median(broadcast["rss_peak_kib"]),
        Median(range["heap_peak"]), Median(broadcast["heap_peak"]),
        Median(range["heap_peak"]) / Median(broadcast["heap_peak"]));
    return 0;
}

}  // namespace

void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    Release(block);
}
void operator delete[](void* block) noexcept {
    Release(block);
}
void operator delete(void* block, size_t) noexcept {
    Release(block);
}
void operator delete[](void* block, size_t) noexcept {
    Release(block);
}

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "search" && argc == 3) {
        return Search(argv[2]);
    }
    if (mode == "compare" && argc == 4) {
        return Compare(argv[0], argv[2], std::max(1, std::atoi(argv[3])));
    }
    std::fprintf(stderr,
                 "usage: bench_range_search search broadcast|CIDR\n"
                 "       bench_range_search compare CIDR ROUNDS\n");
    return 2;
}
