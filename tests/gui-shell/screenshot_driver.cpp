// Test helper for scripts/screenshot.sh: the tamsel program (the same start-up and main
// dialog) with a driver that presses its buttons the way a user would, on the X display
// named by DISPLAY (an Xvfb sized like the window), inside a virtual LAN of simulated
// repeaters. Saves the whole screen three times: when the search has listed the
// repeaters (search.png), when Connect to the first one has filled the status summary
// page (summary.png), and when the wireless page has listed the networks its own survey
// found (wireless.png); then closes the program.
// Usage: tamsel_screenshots OUTPUT_DIRECTORY

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <functional>

#include "app/main_window.h"
#include "app/tamsel_app.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/search_page.h"
#include "platform/linux/termination_cleanup.h"
#include "platform/time_scale.h"
#include "support/virtual_lan.h"
#include "window/dialog_window.h"
#include "window/page_navigation.h"
#include "wizard/ui/survey_list.h"
#include "wizard/ui/wireless_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

constexpr int kSearchLimitMs = 30000;
// Lets the window system show what was just drawn before the screen is read.
constexpr int kSettleMs = 500;

bool g_failed = false;

void Fail(const char* what) {
    std::fprintf(stderr, "tamsel_screenshots: %s\n", what);
    g_failed = true;
    DialogWindow::CloseMainWindow();
}

bool SaveScreen(const QString& path) {
    QTest::qWait(kSettleMs);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || !screen->grabWindow(0).save(path)) {
        return false;
    }
    std::printf("tamsel_screenshots: saved %s\n", qPrintable(path));
    return true;
}

// The program's pages, through its main window while that runs.
SearchPage* Search() {
    const auto* main = qobject_cast<MainWindow*>(DialogWindow::RegisteredMainWindow());
    return main != nullptr ? main->Search() : nullptr;
}
WizardFrame* Wizard() {
    const auto* main = qobject_cast<MainWindow*>(DialogWindow::RegisteredMainWindow());
    return main != nullptr ? main->Wizard() : nullptr;
}

bool SearchListed() {
    const SearchPage* page = Search();
    return page != nullptr && page->isVisible() && page->ScanButton()->isEnabled() &&
           page->DeviceTable()->rowCount() > 0;
}

// The user's part, once the program's dialog runs.
void Drive(const QString& outDir) {
    if (!QTest::qWaitFor(SearchListed, kSearchLimitMs)) {
        Fail("no repeater was listed");
        return;
    }
    if (!SaveScreen(outDir + QStringLiteral("/search.png"))) {
        Fail("could not save the search page");
        return;
    }
    SearchPage* page = Search();
    page->DeviceTable()->SelectRow(0);
    // Returns once the loading has ended and the summary page shows the values.
    QTest::mouseClick(page->ConnectButton(), Qt::LeftButton);
    if (Wizard() == nullptr || !page->isHidden()) {
        Fail("Connect did not open the wizard");
        return;
    }
    if (!SaveScreen(outDir + QStringLiteral("/summary.png"))) {
        Fail("could not save the summary page");
        return;
    }
    // The wireless page's first show runs a survey by itself.
    Wizard()->ShowWizardPage(WizardPageId::kWireless);
    auto* wireless = static_cast<WirelessPage*>(Wizard()->Page(WizardPageId::kWireless));
    const auto surveyListed = [wireless] {
        return wireless->ScanButton()->isEnabled() && wireless->SurveyTable()->rowCount() > 0;
    };
    if (!QTest::qWaitFor(surveyListed, kSearchLimitMs)) {
        Fail("the wireless page listed no network");
        return;
    }
    if (!SaveScreen(outDir + QStringLiteral("/wireless.png"))) {
        Fail("could not save the wireless page");
        return;
    }
    DialogWindow::CloseMainWindow();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    time_scale::SetFactorFromEnvironment();
    TerminationCleanup termination;
    TamselApp program(termination);
    if (!program.AcquireInstance()) {
        std::fprintf(stderr, "tamsel_screenshots: another copy of tamsel runs\n");
        return 1;
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    if (!InVirtualLan()) {
        std::fprintf(stderr, "tamsel_screenshots: run it inside scripts/vlan.sh\n");
        return 2;
    }
    QDir().mkpath(outDir);
    QTimer::singleShot(0, [outDir] { Drive(outDir); });
    program.Run();
    return g_failed ? 1 : 0;
}
