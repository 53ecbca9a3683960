// The wireless page against a simulated repeater over real sockets, on scaled time (the
// queue's pacing and the 38.5 s restart wait run 20 times faster). scripts/vlan.sh runs it
// inside the PC namespace of a virtual LAN; TAMSEL_NET_CASE says what to do there:
//   wpa2     survey, then bridge to the WPA2 network with a typed passphrase: the device
//            receives UNCHECKREPEATER, REPEATER and REBOOT exactly as the request
//            catalogue builds them, and after the wait the search page is in front
//   wep      keys the page refuses (WEP, WPA and an unknown security) give their messages
//            and send nothing; then WEP with "Key 3" sends default key index 2
// Every byte the device received is compared with the catalogue's requests through the
// simulator's log. Outside a namespace of its own the test skips, so that it never
// broadcasts on a real network.

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/gui_test_support.h"
#include "support/message_answerer.h"
#include "support/program_shell.h"
#include "support/request_bytes.h"
#include "support/sim_log_reader.h"
#include "support/virtual_lan.h"
#include "web/request_catalogue.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/survey_list.h"
#include "wizard/ui/wireless_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

constexpr uint32_t kTimeScale = 20;
constexpr int kWaitMs = 30000;

// The program, connected to the LAN's first repeater and showing the wireless page after
// its first survey.
struct WirelessShell : ProgramShell {
    WirelessShell()
        : ProgramShell(HostSetup::kNone, {.searchLimitMs = kWaitMs}),
          log(qEnvironmentVariable("VLAN_REPEATER_1_LOG").toStdString()) {}

    WirelessPage& Page() {
        return *static_cast<WirelessPage*>(Wizard().Page(WizardPageId::kWireless));
    }
    SurveyList& List() { return *Page().SurveyTable(); }

    // Connect, then the menu's "Wireless": the first show surveys by itself.
    bool OpenWirelessPage() {
        if (!WaitForSearch() || Devices().rowCount() != 1) {
            return false;
        }
        Devices().SelectRow(0);
        if (!Connect()) {
            return false;
        }
        const uint64_t before = sim_log::LastSeq(log);
        Choose(MenuEntry::kWireless);
        return WaitForSurvey(before);
    }
    // Waits for the survey's rows; the device received exactly the survey request.
    bool WaitForSurvey(uint64_t before) {
        surveySeq = before;
        return QTest::qWaitFor([&] { return Page().ScanButton()->isEnabled(); }, kWaitMs) &&
               sim_log::ConnectionRequests(log, before) ==
                   std::vector<std::string>{Wire(BuildSiteSurveyRequest(Target()))};
    }
    DeviceTarget Target() const { return Wizard().Target(); }

    int RowOf(const std::wstring& ssid) {
        for (int row = 0; row < List().rowCount(); ++row) {
            if (List().Text(row, SurveyList::kSsid) == ssid) {
                return row;
            }
        }
        return -1;
    }
    // Selects the network, types `key` and presses Connect.
    void ConnectTo(const std::wstring& ssid, const QString& key, int defaultKey = 0) {
        List().SelectRow(RowOf(ssid));
        Page().DefaultKeyList()->setCurrentIndex(defaultKey);
        QTest::keyClicks(Page().KeyField(), key);
        Click(Page().ConnectButton());
    }
    // The same, expecting a refusal: the text the message box showed.
    std::wstring RefusalOf(const std::wstring& ssid, const QString& key) {
        MessageAnswerer answerer(&Wizard().Messages());
        ConnectTo(ssid, key);
        return answerer.texts.empty() ? std::wstring() : answerer.texts.front();
    }
    // After a bridging: the restart wait ran on timer 300 and ended on the search page;
    // the device received the mode form, the station form and the reboot.
    void ExpectBridged(uint64_t before, const RepeaterSettings& settings) {
        QVERIFY(QTest::qWaitFor([&] { return Search().isVisible(); }, kWaitMs));
        QVERIFY(Wizard().isHidden());
        QVERIFY(bridgingWait);
        QCOMPARE(waitText, std::wstring(L"Rebooting...."));
        QCOMPARE(Wizard().Progress().StepsShown(), kRestartWaitSteps);
        const auto sequence = BuildRepeaterSequence(Target(), settings);
        const std::vector<std::string> expected = {Wire(sequence[0].request),
                                                   Wire(sequence[1].request),
                                                   Wire(BuildRebootRequest(Target()))};
        const std::vector<std::string> received = sim_log::ConnectionRequests(log, before);
        QCOMPARE(received.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(QByteArray::fromStdString(received[i]),
                     QByteArray::fromStdString(expected[i]));
        }
    }
    // Watches the restart wait that a successful bridging starts; saves a picture of the
    // page under it when `screenshot` names one.
    void WatchRestartWait(const QString& screenshot = {}) {
        WhenModal([this] { return &Wizard().Progress(); },
                  [this, screenshot] {
                      bridgingWait = Page().RunningRestartWait() == RestartCause::kBridging;
                      waitText = Wizard().Progress().ProgressText();
                      if (!screenshot.isEmpty()) {
                          SaveScreenshot(Dialog(), screenshot);
                      }
                  });
    }

    std::string log;
    uint64_t surveySeq = 0;
    bool bridgingWait = false;
    std::wstring waitText;
};

}  // namespace

class SurveyNetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { PREPARE_VIRTUAL_LAN_TEST(kTimeScale); }

    void wireless() {
        RunNetCase({{"wpa2", [this] { Wpa2(); }}, {"wep", [this] { Wep(); }}});
    }

private:
    void Wpa2() {
        WirelessShell shell;
        QVERIFY(shell.OpenWirelessPage());
        QCOMPARE(shell.List().rowCount(), 4);
        QCOMPARE(shell.List().Text(0, SurveyList::kSignal), std::wstring(L"78"));
        QCOMPARE(shell.List().Text(0, SurveyList::kEncrypt), std::wstring(L"WPA2PSK-AES"));
        QVERIFY(SaveScreenshot(shell.Dialog(), QStringLiteral("net_wireless_survey")));

        const QString passphrase = QStringLiteral("correct horse & battery");
        const uint64_t before = sim_log::LastSeq(shell.log);
        shell.WatchRestartWait();
        shell.ConnectTo(L"Home Net", passphrase);
        shell.ExpectBridged(
            before, RepeaterSettingsFor(L"Home Net", L"6", L"AES", passphrase.toStdWString(), 0));
    }

    void Wep() {
        WirelessShell shell;
        QVERIFY(shell.OpenWirelessPage());

        // Refused keys: their message, and the key stays for mending.
        QCOMPARE(shell.RefusalOf(L"Old & Router", QStringLiteral("12345678")),
                 LoadString(kMsgWepKey));
        QCOMPARE(shell.Page().KeyField()->text(), QStringLiteral("12345678"));
        QCOMPARE(shell.RefusalOf(L"Office", QStringLiteral("short")), LoadString(kMsgPreSharedKey));
        QCOMPARE(shell.RefusalOf(L"Lab", QString()), LoadString(kMsgUnsupportedSecurity));
        // Nothing went out: the next request the device sees is the next survey.
        const uint64_t before = sim_log::LastSeq(shell.log);
        QCOMPARE(sim_log::ConnectionRequests(shell.log, shell.surveySeq).size(), size_t{1});
        Click(shell.Page().ScanButton());
        QVERIFY(shell.WaitForSurvey(before));
        QCOMPARE(shell.List().rowCount(), 4);

        const uint64_t bridging = sim_log::LastSeq(shell.log);
        shell.WatchRestartWait(QStringLiteral("net_wireless_wep"));
        shell.ConnectTo(L"Old & Router", QStringLiteral("A1B2C3D4E5"), 2);
        shell.ExpectBridged(bridging,
                            RepeaterSettingsFor(L"Old & Router", L"11", L"WEP", L"A1B2C3D4E5", 2));
        if (QTest::currentTestFailed()) {
            return;
        }
        const std::string station = sim_log::ConnectionRequests(shell.log, bridging).at(1);
        QVERIFY(station.find("stadrv_defaultkey=2&") != std::string::npos);
        QVERIFY(station.find("stadrv_ssid=Old+%26+Router&") != std::string::npos);
        // The device took key 3 of the four as the key to use.
        bool took = false;
        for (const sim_log::Frame& event : sim_log::Events(shell.log, 0, "bridging")) {
            took = took || (event.Attr("key") == "A1B2C3D4E5" && event.Attr("security") == "1");
        }
        QVERIFY(took);
    }
};

QTEST_MAIN(SurveyNetTest)
#include "wireless_net_test.moc"
