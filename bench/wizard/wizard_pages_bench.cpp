// The window while the firmware page works, measured against the same window at idle.
// Runs the whole program (main window, real sockets, the wizard) inside the PC namespace
// of a virtual LAN made by scripts/vlan.sh, against the simulated repeater
// VLAN_REPEATER_1_IP, on the program's real time.
//
//   bench_wizard_pages responsiveness [MIB]
//       Sends an image of MIB MiB (default 64) from the firmware page. A probe thread posts
//       an event to the user-interface thread every 5 ms and asks for a frame (a repaint
//       of the page) every 16.7 ms; printed are the longest delay of a posted event and of
//       a frame, and how many frames came more than 50 ms late, while the image is sent
//       and over as long a stretch at idle before it. The image is one the device
//       refuses, so no restart follows.
//   bench_wizard_pages rebootcpu [SECONDS]
//       The CPU the process uses (user and system, all threads) over SECONDS (default 30)
//       while the firmware page waits out a restart, against the same stretch at idle on
//       the same page before it, in percent of one core, with the page's file field
//       focused.
//   bench_wizard_pages pageswitch [SWITCHES]
//       SWITCHES (default 60) page switches through the menu of the page shown, round the
//       six pages: the time from the click on the menu entry until the new page has been
//       painted and the frame handed to the window system, against the same for a repaint
//       of the shown page without a switch. Whether Qt's accessibility is on is printed;
//       scripts/bench.sh runs it on a Wayland desktop with and without it.
//
// The goals: at most 50 ms of delay and no frame later than that during the send; at most
// 0.1 % of a core during the wait; no page switch longer than 50 ms.

#include <sys/resource.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/program_state.h"
#include "controls/picture_button.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/search_page.h"
#include "hostnet/host_address_setup.h"
#include "platform/async_socket.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/tick_clock.h"
#include "support/virtual_lan.h"
#include "wizard/ui/firmware_page.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/wizard_frame.h"
#include "wizard/ui/wizard_page.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kProbePeriod = std::chrono::milliseconds(5);
constexpr auto kFramePeriod = std::chrono::microseconds(16667);
constexpr double kGoalMs = 50.0;
constexpr double kCpuGoalPercent = 0.1;
constexpr int kLimitMs = 120000;

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Runs the event loop until `done` holds, checking every `pollMs`, or `limitMs` passes.
bool WaitUntil(const std::function<bool()>& done, int limitMs, int pollMs = 20) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limitMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(pollMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs the event loop for `ms` with no timer of its own but the one that ends it.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The program's main window on real sockets, connected to the repeater.
struct Program {
    Program()
        : sockets(MakeBsdSocketFactory(loop)),
          state({*sockets, MonotonicTickClock::Instance(), hostSetup}),
          dialog(state) {
        dialog.Create();
        dialog.ShowWindow(true);
    }
    ~Program() { dialog.DestroyWindow(); }

    bool Connect(const std::wstring& ip) {
        SearchPage& search = *dialog.Search();
        DeviceList& list = *search.DeviceTable();
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (!WaitUntil([&] { return search.ScanButton()->isEnabled(); }, kLimitMs)) {
                return false;
            }
            for (int row = 0; row < list.rowCount(); ++row) {
                if (list.Text(row, DeviceList::kIp) == ip) {
                    list.SelectRow(row);
                    search.ConnectSelectedDevice();
                    return Wizard() != nullptr && Wizard()->isVisible();
                }
            }
            search.StartSearch();
        }
        return false;
    }

    WizardFrame* Wizard() const { return dialog.Wizard(); }
    FirmwarePage& Firmware() {
        return *static_cast<FirmwarePage*>(Wizard()->Page(WizardPageId::kFirmware));
    }

    QtEventLoop loop;
    std::unique_ptr<ISocketFactory> sockets;
    NoHostAddressSetup hostSetup;
    ProgramState state;
    MainWindow dialog;
};

// Delays of one kind of probe over one stretch.
struct Delays {
    std::vector<double> ms;

    double Max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    double Percentile(double p) const {
        if (ms.empty()) {
            return 0;
        }
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<size_t>(p * static_cast<double>(sorted.size() - 1))];
    }
    size_t Over(double limit) const {
        return static_cast<size_t>(
            std::count_if(ms.begin(), ms.end(), [limit](double v) { return v > limit; }));
    }
};

// Posts stamped events to the user-interface thread from a thread of its own, so that a
// busy user-interface thread shows as late handling (a timer of that thread would only
// fire late itself and hide it).
class Probe : public QObject {
public:
    enum Kind { kEventProbe = QEvent::User + 1, kFrameProbe };

    class Stamped : public QEvent {
    public:
        Stamped(Kind kind, Clock::time_point at) : QEvent(static_cast<Type>(kind)), at(at) {}
        Clock::time_point at;
    };

    explicit Probe(QWidget& page) : m_page(page) {
        m_page.installEventFilter(this);
        m_thread = std::thread([this] { Run(); });
    }
    ~Probe() override {
        m_stop = true;
        m_thread.join();
        m_page.removeEventFilter(this);
    }

    // Starts a new stretch; what is measured from now goes there.
    void Measure(Delays* events, Delays* frames) {
        m_events = events;
        m_frames = frames;
        m_frameAsked.reset();
    }

    std::function<void()> onEvent;

protected:
    bool event(QEvent* event) override {
        if (event->type() == static_cast<QEvent::Type>(kEventProbe)) {
            const auto& stamped = static_cast<const Stamped&>(*event);
            if (m_events != nullptr) {
                m_events->ms.push_back(Ms(Clock::now() - stamped.at));
            }
            if (onEvent) {
                onEvent();
            }
            return true;
        }
        if (event->type() == static_cast<QEvent::Type>(kFrameProbe)) {
            // A frame asked for while the last one is still due is the same frame.
            if (!m_frameAsked) {
                m_frameAsked = static_cast<const Stamped&>(*event).at;
            }
            m_page.update();
            return true;
        }
        return QObject::event(event);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_page && event->type() == QEvent::Paint && m_frameAsked) {
            if (m_frames != nullptr) {
                m_frames->ms.push_back(Ms(Clock::now() - *m_frameAsked));
            }
            m_frameAsked.reset();
        }
        return false;
    }

private:
    void Run() {
        auto nextEvent = Clock::now();
        auto nextFrame = nextEvent;
        while (!m_stop) {
            const auto now = Clock::now();
            if (now >= nextEvent) {
                QCoreApplication::postEvent(this, new Stamped(kEventProbe, now));
                nextEvent += kProbePeriod;
            }
            if (now >= nextFrame) {
                QCoreApplication::postEvent(this, new Stamped(kFrameProbe, now));
                nextFrame += kFramePeriod;
            }
            std::this_thread::sleep_until(std::min(nextEvent, nextFrame));
        }
    }

    QWidget& m_page;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    Delays* m_events = nullptr;
    Delays* m_frames = nullptr;
    std::optional<Clock::time_point> m_frameAsked;
};

void PrintStretch(const char* name, double seconds, const Delays& events, const Delays& frames) {
    std::printf("%-6s %8.2f %8zu %10.2f %10.2f %8zu %10.2f %10zu\n", name, seconds,
                events.ms.size(), events.Percentile(0.99), events.Max(), frames.ms.size(),
                frames.Max(), frames.Over(kGoalMs));
}

std::string WriteImage(size_t mib) {
    char path[] = "/tmp/tamsel-bench-image.XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        return {};
    }
    close(fd);
    // Random-looking bytes without the device's header: refused after the whole send.
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1024 * 1024);
    uint32_t state = 2463534242u;
    for (size_t m = 0; m < mib; ++m) {
        for (char& byte : block) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            byte = static_cast<char>(state);
        }
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return path;
}

int Responsiveness(Program& program, size_t mib) {
    FirmwarePage& page = program.Firmware();
    const std::string image = WriteImage(mib);
    if (image.empty()) {
        std::fprintf(stderr, "bench_wizard_pages: cannot write the image\n");
        return 1;
    }
    Delays idleEvents, idleFrames, sendEvents, sendFrames;
    Probe probe(page);
    RunFor(500);  // the probe settles

    // The send: from Apply until the page has the device's answer (Apply enabled again).
    probe.Measure(&sendEvents, &sendFrames);
    Clock::time_point sendEnd{};
    bool answered = false;
    MessageBox& messages = program.Wizard()->Messages();
    probe.onEvent = [&] {
        if (!answered && !page.IsUploadRunning()) {
            answered = true;
            sendEnd = Clock::now();
            probe.Measure(nullptr, nullptr);
        }
        // The refusal's message box: answered as soon as it is up.
        if (answered && messages.IsModalRunning() && !messages.HasEnded()) {
            messages.EndDialog(MessageBox::kOk);
        }
    };
    page.SetFilePath(image);
    const Clock::time_point sendStart = Clock::now();
    page.Apply();
    const bool ended = WaitUntil([&] { return answered && !messages.IsModalRunning(); }, kLimitMs);
    std::remove(image.c_str());
    if (!ended) {
        std::fprintf(stderr, "bench_wizard_pages: the upload did not end\n");
        return 1;
    }
    const double sendSeconds = std::chrono::duration<double>(sendEnd - sendStart).count();

    // Idle, on the same page, for as long.
    RunFor(500);
    probe.Measure(&idleEvents, &idleFrames);
    RunFor(static_cast<int>(sendSeconds * 1000));
    probe.Measure(nullptr, nullptr);

    std::printf("window responsiveness while the firmware page sends a %zu MiB image\n", mib);
    std::printf("%-6s %8s %8s %10s %10s %8s %10s %10s\n", "phase", "seconds", "events", "p99_ms",
                "max_ms", "frames", "frame_max", "frames>50");
    PrintStretch("idle", sendSeconds, idleEvents, idleFrames);
    PrintStretch("send", sendSeconds, sendEvents, sendFrames);
    const double ratio = idleEvents.Max() > 0 ? sendEvents.Max() / idleEvents.Max() : 0;
    const bool met = sendEvents.Max() <= kGoalMs && sendFrames.Over(kGoalMs) == 0;
    std::printf("longest event delay send/idle: %.2f; goal <= %.0f ms and no frame later: %s\n",
                ratio, kGoalMs, met ? "met" : "missed");
    // One line for scripts/bench.sh.
    std::printf(
        "figures: send_seconds=%.3f idle_max_ms=%.3f send_max_ms=%.3f "
        "idle_frame_max_ms=%.3f send_frame_max_ms=%.3f send_frames_over_goal=%zu\n",
        sendSeconds, idleEvents.Max(), sendEvents.Max(), idleFrames.Max(), sendFrames.Max(),
        sendFrames.Over(kGoalMs));
    return 0;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU in percent of one core over `ms` of running `work`, which must return after that.
double CpuPercent(const std::function<void()>& work) {
    const double cpuBefore = CpuSeconds();
    const Clock::time_point start = Clock::now();
    work();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return 100.0 * (CpuSeconds() - cpuBefore) / wall;
}

int RebootCpu(Program& program, int seconds) {
    FirmwarePage& page = program.Firmware();
    // The file field holds the keyboard focus, as after a path was typed: its caret is
    // part of what the idle window costs.
    page.findChild<QLineEdit*>()->setFocus();
    RunFor(2000);  // the loading's last commands settle
    const double idle = CpuPercent([&] { RunFor(seconds * 1000); });
    ProgressDialog& progress = program.Wizard()->Progress();
    const double waiting = CpuPercent([&] {
        // The wait is far longer than the stretch: it is ended once the stretch is over.
        QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, [&] { progress.EndDialog(0); });
        page.RunRestartWait(RestartCause::kFirmwareUpgrade);
    });
    if (progress.ProgressText() != kUpgradingText || progress.StepsShown().empty()) {
        std::fprintf(stderr, "bench_wizard_pages: the restart wait did not run\n");
        return 1;
    }
    std::printf("window CPU while the firmware page waits out a restart, %d s each\n", seconds);
    std::printf("%-6s %12s\n", "phase", "cpu_percent");
    std::printf("%-6s %12.4f\n", "idle", idle);
    std::printf("%-6s %12.4f\n", "wait", waiting);
    std::printf("wait/idle: %.2f; goal <= %.1f %% of a core: %s\n", idle > 0 ? waiting / idle : 0.0,
                kCpuGoalPercent, waiting <= kCpuGoalPercent ? "met" : "missed");
    std::printf("figures: idle_cpu_percent=%.4f wait_cpu_percent=%.4f\n", idle, waiting);
    return 0;
}

// How long from `action` until `widget` has been painted and the frame handed to the
// window system (the paint pass and its flush are over when a zero timer queued from the
// paint runs); nothing when no paint came within the limit.
class PaintWatch : public QObject {
public:
    std::optional<double> Time(QWidget& widget, const std::function<void()>& action) {
        m_widget = &widget;
        m_painted.reset();
        QEventLoop loop;
        m_loop = &loop;
        widget.installEventFilter(this);
        QTimer::singleShot(kLimitMs, &loop, &QEventLoop::quit);
        m_start = Clock::now();
        action();
        if (!m_painted) {
            loop.exec();
        }
        widget.removeEventFilter(this);
        m_loop = nullptr;
        return m_painted;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_widget && event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] {
                m_painted = Ms(Clock::now() - m_start);
                m_seen = false;
                if (m_loop != nullptr) {
                    m_loop->quit();
                }
            });
        }
        return false;
    }

private:
    QWidget* m_widget = nullptr;
    QEventLoop* m_loop = nullptr;
    Clock::time_point m_start;
    bool m_seen = false;
    std::optional<double> m_painted;
};

int PageSwitch(Program& program, int switches) {
    // Round the six pages by their menu entries, starting from the summary page.
    constexpr std::pair<MenuEntry, WizardPageId> kRound[] = {
        {MenuEntry::kIpAddress, WizardPageId::kIpAddress},
        {MenuEntry::kWireless, WizardPageId::kWireless},
        {MenuEntry::kFirmware, WizardPageId::kFirmware},
        {MenuEntry::kPassword, WizardPageId::kPassword},
        {MenuEntry::kReset, WizardPageId::kReset},
        {MenuEntry::kRepeater, WizardPageId::kSummary},
    };
    WizardFrame& wizard = *program.Wizard();
    wizard.ShowWizardPage(WizardPageId::kSummary);
    RunFor(2000);  // the loading's last commands settle
    PaintWatch watch;
    Delays switchMs;
    Delays frameMs;
    WizardPageId shown = WizardPageId::kSummary;
    for (int i = 0; i < switches; ++i) {
        const auto& [entry, page] = kRound[static_cast<size_t>(i) % std::size(kRound)];
        WizardPage& from = *wizard.Page(shown);
        WizardPage& to = *wizard.Page(page);
        QWidget* item = from.MenuItem(entry);
        const auto switched = watch.Time(
            to, [&] { QTest::mouseClick(item, Qt::LeftButton, {}, item->rect().center()); });
        if (!switched || !to.isVisible() || from.isVisible()) {
            std::fprintf(stderr, "bench_wizard_pages: the switch to page %d did not show\n",
                         static_cast<int>(page));
            return 1;
        }
        switchMs.ms.push_back(*switched);
        shown = page;
        RunFor(50);
        const auto frame = watch.Time(to, [&] { to.update(); });
        if (!frame) {
            std::fprintf(stderr, "bench_wizard_pages: no repaint of the shown page\n");
            return 1;
        }
        frameMs.ms.push_back(*frame);
        RunFor(50);
    }
    const bool accessible = QAccessible::isActive();
    std::printf("page switches through the menu, %d, platform %s, accessibility %s\n", switches,
                qPrintable(QGuiApplication::platformName()), accessible ? "on" : "off");
    std::printf("%-8s %10s %10s %10s\n", "what", "median_ms", "p90_ms", "max_ms");
    std::printf("%-8s %10.2f %10.2f %10.2f\n", "switch", switchMs.Percentile(0.5),
                switchMs.Percentile(0.9), switchMs.Max());
    std::printf("%-8s %10.2f %10.2f %10.2f\n", "repaint", frameMs.Percentile(0.5),
                frameMs.Percentile(0.9), frameMs.Max());
    std::printf("switch/repaint (medians): %.2f; goal: every switch < %.0f ms: %s\n",
                switchMs.Percentile(0.5) / frameMs.Percentile(0.5), kGoalMs,
                switchMs.Max() < kGoalMs ? "met" : "missed");
    std::printf(
        "figures: accessible=%d switch_median_ms=%.3f switch_max_ms=%.3f "
        "repaint_median_ms=%.3f\n",
        accessible ? 1 : 0, switchMs.Percentile(0.5), switchMs.Max(), frameMs.Percentile(0.5));
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "responsiveness" && mode != "rebootcpu" && mode != "pageswitch") {
        std::fprintf(stderr,
                     "usage: bench_wizard_pages responsiveness [MIB] | rebootcpu [SECONDS] | "
                     "pageswitch [SWITCHES]\n");
        return 2;
    }
    const char* ip = std::getenv("VLAN_REPEATER_1_IP");
    // It searches the LAN: never outside the virtual LAN's own namespace.
    if (ip == nullptr || !InVirtualLan()) {
        std::fprintf(stderr, "bench_wizard_pages: run it inside scripts/vlan.sh\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Program program;
    if (!program.Connect(QString::fromLatin1(ip).toStdWString())) {
        std::fprintf(stderr, "bench_wizard_pages: could not connect to %s\n", ip);
        return 1;
    }
    if (mode == "pageswitch") {
        const long switches = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 60;
        return PageSwitch(program, static_cast<int>(std::max(1L, switches)));
    }
    program.Wizard()->ShowWizardPage(WizardPageId::kFirmware);
    if (mode == "responsiveness") {
        const long mib = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 64;
        return Responsiveness(program, static_cast<size_t>(std::max(1L, mib)));
    }
    const long seconds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 30;
    return RebootCpu(program, static_cast<int>(std::max(1L, seconds)));
}
