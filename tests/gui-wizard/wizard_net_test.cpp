// The device wizard against simulated repeaters over real sockets, on scaled time (the
// queue's pacing, limits and the hold after the status read run 20 times faster, or as
// TAMSEL_TIME_SCALE says: 1 runs the device's real time).
// scripts/vlan.sh runs it inside the PC namespace of a virtual LAN; TAMSEL_NET_CASE says
// what that LAN holds:
//   load           two repeaters with their own firmware versions: Connect loads the
//                  first behind "Loading...." and shows its values; Locate while a command
//                  is queued; a second Connect replaces the wizard
//   keep_open      one repeater that never closes a connection: the reads give up
//   temp_address   one repeater outside the PC's subnet: the wizard works through a
//                  temporary address, and Close leaves none behind
// Outside a namespace of its own the test skips, so that it never broadcasts on a real
// network. Writes screenshots to the artefacts folder.

#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <string>
#include <vector>

#include "controls/markup_label.h"
#include "device/device_operations.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/gui_test_support.h"
#include "support/program_shell.h"
#include "support/virtual_lan.h"
#include "web/device_commands.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "web/web_command_queue.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

constexpr uint32_t kTimeScale = 20;

// The program with the real host address set-up.
struct NetShell : ProgramShell {
    NetShell() : ProgramShell(HostSetup::kReal) {}

    // Selects the row of repeater `n` of the LAN (1, 2, ...).
    bool SelectRepeater(int n) {
        return SelectListed(VlanValue("VLAN_REPEATER_" + std::to_string(n) + "_IP"));
    }
};

// What the summary page's thirteen labels show.
std::vector<std::wstring> SummaryValues(ProgramShell& shell) {
    std::vector<std::wstring> values;
    SummaryPage& summary = *shell.Wizard().Summary();
    for (int i = 0; i < SummaryPage::kValueCount; ++i) {
        values.push_back(summary.ValueLabel(i)->WindowText());
    }
    return values;
}

// The thirteen values of an unbridged repeater of the LAN.
std::vector<std::wstring> ExpectedValues(int n, const std::wstring& firmware) {
    const std::string prefix = "VLAN_REPEATER_" + std::to_string(n);
    return {VlanValue(prefix + "_MAC"),
            firmware,
            VlanValue(prefix + "_IP"),
            L"255.255.255.0",
            L"Enabled",
            L"AP",
            L"Disabled",
            L"0.0.0.0",
            L"",
            L"0.0.0.0",
            L"0.0.0.0",
            L"",
            L""};
}

}  // namespace

class WizardNetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { PREPARE_VIRTUAL_LAN_TEST(kTimeScale); }

    void wizard() {
        RunNetCase({{"load", [this] { Load(); }},
                    {"keep_open", [this] { KeepOpen(); }},
                    {"temp_address", [this] { TempAddress(); }}});
    }

private:
    void Load() {
        NetShell shell;
        QVERIFY(shell.WaitForSearch());
        QVERIFY(shell.SelectRepeater(1));
        WhenModal(
            [&] { return shell.HasWizard() ? &shell.Wizard().Progress() : nullptr; },
            [&] { SaveScreenshot(shell.Wizard().Progress(), QStringLiteral("net_loading")); });
        Click(shell.Search().ConnectButton());

        // "Loading...." ran through its steps, then the summary shows the device.
        QPointer<WizardFrame> frame = shell.Dialog().Wizard();
        QVERIFY(frame != nullptr && frame->isVisible() && shell.Search().isHidden());
        QCOMPARE(frame->Progress().ProgressText(), std::wstring(L"Loading...."));
        QCOMPARE(frame->Progress().StepsShown(), (std::vector<int>{0, 3, 7, 10}));
        QVERIFY(!frame->Progress().IsModalRunning());
        QVERIFY(!frame->Summary()->isHidden());
        QCOMPARE(SummaryValues(shell), ExpectedValues(1, L"3.1.4-sim"));
        QVERIFY(SaveScreenshot(shell.Dialog(), QStringLiteral("net_summary")));

        // Locate while an operation runs: the search page, and its results are still
        // handled (here the whole status read) by the hidden wizard.
        DeviceStatus& status = shell.State().Status();
        status.Clear();
        OperationCallbacks reading;
        bool read = false;
        reading.onFinished = [&read] { read = true; };
        frame->Operations().Start(ReadStatusOperation(status), frame->Target(), reading);
        shell.Choose(MenuEntry::kLocate);
        QVERIFY(shell.Search().isVisible() && frame->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(shell.State().WebQueue()->PendingCount() == 0 && read, 10000);
        QCOMPARE(status.firmwareVersion, std::wstring(L"3.1.4-sim"));
        QVERIFY(frame->isHidden());

        // A second Connect replaces the wizard.
        QVERIFY(shell.WaitForSearch());
        QVERIFY(shell.SelectRepeater(2));
        Click(shell.Search().ConnectButton());
        QVERIFY(frame == nullptr);
        QVERIFY(shell.HasWizard() && shell.Wizard().isVisible());
        QCOMPARE(shell.Wizard().DeviceIP(), VlanValue("VLAN_REPEATER_2_IP"));
        QCOMPARE(SummaryValues(shell), ExpectedValues(2, L"3.1.5-sim"));
        QVERIFY(!shell.Dialog().HasEnded());
    }

    void KeepOpen() {
        NetShell shell;
        QVERIFY(shell.WaitForSearch());
        QVERIFY(shell.SelectRepeater(1));
        std::wstring shown;
        bool progressUp = true;
        WhenModal([&] { return shell.HasWizard() ? &shell.Wizard().Messages() : nullptr; },
                  [&] {
                      MessageBox& box = shell.Wizard().Messages();
                      Finally end([&] { Click(box.OkButton()); });
                      shown = box.Message();
                      progressUp = shell.Wizard().Progress().isVisible();
                      SaveScreenshot(box, QStringLiteral("net_message"));
                  });
        Click(shell.Search().ConnectButton());
        QCOMPARE(shown, LoadString(kMsgRepeaterTimeout));
        QVERIFY(!progressUp);  // ended before the message
        QVERIFY(shell.Search().isVisible() && shell.Wizard().isHidden());
        QCOMPARE(shell.Wizard().Progress().StepsShown(), std::vector<int>{0});
        QVERIFY(!shell.Dialog().HasEnded());
    }

    void TempAddress() {
        NetShell shell;
        QVERIFY(TempAddresses().isEmpty());
        QVERIFY(shell.WaitForSearch());
        QVERIFY(shell.SelectRepeater(1));
        Click(shell.Search().ConnectButton());
        QCOMPARE(SummaryValues(shell).at(2), VlanValue("VLAN_REPEATER_1_IP"));
        QCOMPARE(TempAddresses().size(), 1);

        shell.Choose(MenuEntry::kLocate);
        QVERIFY(shell.WaitForSearch());
        QVERIFY(shell.SelectRepeater(1));
        Click(shell.Search().ConnectButton());
        Click(shell.Wizard().Page(WizardPageId::kSummary)->CloseControl());
        QVERIFY(shell.Dialog().HasEnded());
        QCOMPARE(shell.Dialog().Result(), 0);
        shell.Dialog().DestroyWindow();
        QVERIFY(TempAddresses().isEmpty());
    }
};

QTEST_MAIN(WizardNetTest)
#include "wizard_net_test.moc"
