// The time from Connect to the filled status summary page, on the device's real time,
// against the minimum that the schedule allows for the same run: LANINFO, WANINFO and
// GETSTATUS each take four steps of the web queue's 800 ms timer from an empty queue
// (address set-up, connect, send, hand-over of the finished answer), the first step at
// once at best, then the one-second hold after the status read:
//   minimum = (3 x 4 - 1) x 800 ms + 1000 ms = 9800 ms.
// The goal is a ratio of at most (minimum + one 800 ms step) / minimum: the first step
// waits for the running timer, and the wizard's 200 ms result timer hands each answer on
// within the queue's pause. Connect is pressed at a random moment of the running timer's
// period, as a user would: the searches before it keep their own beat, which would
// otherwise put every Connect at the same phase.
//
// Usage, inside the PC namespace of scripts/vlan.sh with one repeater (scripts/bench.sh
// does this): bench_wizard_load [ROUNDS]. Prints one line of key=value pairs.

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "app/main_window.h"
#include "app/program_state.h"
#include "controls/markup_label.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/search_page.h"
#include "hostnet/host_address_setup.h"
#include "hostnet/linux_host_address_setup.h"
#include "platform/async_socket.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/tick_clock.h"
#include "support/virtual_lan.h"
#include "window/page_navigation.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

constexpr int kCommands = 3;
constexpr int kStepsPerCommand = 4;
constexpr double kStepMs = 800;
constexpr double kMinimumMs =
    (kCommands * kStepsPerCommand - 1) * kStepMs + WizardFrame::kHoldAfterGetStatusMs;

bool WaitForSearch(SearchPage& page) {
    return QTest::qWaitFor(
        [&] { return page.ScanButton()->isEnabled() && page.DeviceTable()->rowCount() > 0; },
        20000);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    if (!InVirtualLan()) {
        std::fprintf(stderr, "bench_wizard_load: run it inside scripts/vlan.sh\n");
        return 2;
    }
    QtEventLoop loop;
    const std::unique_ptr<ISocketFactory> sockets = MakeBsdSocketFactory(loop);
    const std::unique_ptr<IHostAddressSetup> hostSetup = MakeHostAddressSetup();
    ProgramState state({*sockets, MonotonicTickClock::Instance(), *hostSetup});
    MainWindow dialog(state);
    dialog.Create();
    dialog.ShowWindow(true);
    SearchPage& page = *dialog.Search();

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> phase(0, static_cast<int>(kStepMs) - 1);
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        if (!WaitForSearch(page)) {
            std::fprintf(stderr, "bench_wizard_load: no repeater found\n");
            return 1;
        }
        page.DeviceTable()->SelectRow(0);
        QTest::qWait(phase(random));
        QElapsedTimer clock;
        clock.start();
        page.ConnectSelectedDevice();  // returns once the summary page is filled
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const WizardFrame* frame = dialog.Wizard();
        if (frame == nullptr || frame->isHidden() ||
            frame->Summary()->ValueLabel(1)->WindowText().empty()) {
            std::fprintf(stderr, "bench_wizard_load: the loading did not fill the summary\n");
            return 1;
        }
        samples.push_back(ms);
        dialog.ReturnToSearchPage();
    }
    const double median = Median(samples);
    std::printf("rounds=%d median_ms=%.0f minimum_ms=%.0f ratio=%.3f goal=%.3f\n", rounds, median,
                kMinimumMs, median / kMinimumMs, (kMinimumMs + kStepMs) / kMinimumMs);
    return 0;
}
