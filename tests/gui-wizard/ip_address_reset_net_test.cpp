// The IP address page and the reset page in the wizard, against a simulated repeater over
// real sockets, on scaled time (the queue's pacing and the pages' waits run 20 times
// faster, or as TAMSEL_TIME_SCALE says). scripts/vlan.sh runs it inside the PC namespace of a
// virtual LAN with one repeater that restarts in a second; TAMSEL_NET_CASE says what to do:
//   ip_address  refused addresses send nothing; a new address goes out as the request
//               catalogue builds it, then REBOOT, then the wait ends on the search page,
//               where the repeater is found and connected to at its new address
//   reset       Reboot sends REBOOT alone, Factory Reset RESETDEFAULT and then REBOOT;
//               each wait ends on the search page
// What the repeater received is read from its log and compared byte for byte. Outside a
// namespace of its own the test skips, so that it never broadcasts on a real network.
// Writes screenshots to the artefacts folder.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <string>
#include <vector>

#include "controls/ipv4_field.h"
#include "controls/markup_label.h"
#include "controls/skin_radio_button.h"
#include "page_test_support.h"
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
#include "web/response_parsers.h"
#include "web/web_command_queue.h"
#include "wizard/ui/ip_address_page.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/reset_page.h"
#include "wizard/ui/wizard_frame.h"

using page_test::FocusedOctet;

namespace {

constexpr uint32_t kTimeScale = 20;

std::string RepeaterLog() {
    return qEnvironmentVariable("VLAN_REPEATER_1_LOG").toStdString();
}

// The requests the repeater received after log frame `afterSeq`, one per connection.
std::vector<std::string> RequestsSince(uint64_t afterSeq) {
    return sim_log::ConnectionRequests(RepeaterLog(), afterSeq);
}

// The `what` of each event the repeater logged after `afterSeq`.
std::vector<std::string> EventsSince(uint64_t afterSeq) {
    return sim_log::EventNames(RepeaterLog(), afterSeq);
}

// Presses OK on the message box of `shell`'s wizard that `act` raises; returns the text
// it showed.
std::wstring MessageFrom(ProgramShell& shell, const std::function<void()>& act) {
    MessageAnswerer answerer(&shell.Wizard().Messages());
    act();
    return answerer.texts.empty() ? std::wstring() : answerer.texts.front();
}

}  // namespace

class PagesNetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { PREPARE_VIRTUAL_LAN_TEST(kTimeScale); }

    void pages() {
        RunNetCase({{"ip_address", [this] { IpAddress(); }}, {"reset", [this] { Reset(); }}});
    }

private:
    void IpAddress() {
        const std::wstring oldIp = VlanValue("VLAN_REPEATER_1_IP");
        const std::wstring newIp = L"192.168.1.50";
        ProgramShell shell(HostSetup::kReal);
        QVERIFY(shell.ConnectTo(oldIp));
        auto* page = shell.Open<IpAddressPage>(WizardPageId::kIpAddress, MenuEntry::kIpAddress);
        QVERIFY(page != nullptr);
        WizardFrame& frame = shell.Wizard();
        const DeviceTarget target = frame.Target();
        QCOMPARE(target.ip, oldIp);
        QCOMPARE(page->CurrentAddressLabel()->WindowText(), oldIp);
        QCOMPARE(page->CurrentMaskLabel()->WindowText(), std::wstring(L"255.255.255.0"));
        QCOMPARE(page->CurrentDhcpLabel()->WindowText(), std::wstring(L"Enabled"));
        const uint64_t before = sim_log::LastSeq(RepeaterLog());

        // Refused: a bad first octet, then a bad mask. Nothing is queued.
        page->AddressField()->SetAddress(L"0.168.1.50");
        QCOMPARE(MessageFrom(shell, [&] { Click(page->ApplyButton()); }),
                 LoadString(kMsgIpFirstOctet));
        QCOMPARE(FocusedOctet(*page->AddressField()), 0);
        page->AddressField()->SetAddress(newIp);
        page->MaskField()->SetAddress(L"255.255.0.255");
        QCOMPARE(MessageFrom(shell, [&] { Click(page->ApplyButton()); }),
                 LoadString(kMsgSubnetMask));
        QCOMPARE(FocusedOctet(*page->MaskField()), 0);
        QCOMPARE(shell.State().WebQueue()->PendingCount(), 0);

        // Accepted, with the DHCP server on (a press on the Auto IP caption).
        page->MaskField()->SetAddress(L"255.255.255.0");
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(425, 404));
        QVERIFY(page->AutoIpChoice()->GetCheck());
        QVERIFY(SaveScreenshot(shell.Dialog(), QStringLiteral("net_page_ipaddress")));
        Click(page->ApplyButton());
        QVERIFY(!page->ApplyButton()->isEnabled());  // until the answer is in
        // The answer starts the wait; its eleventh tick shows the search page.
        QTRY_VERIFY_WITH_TIMEOUT(shell.Search().isVisible(), 30000);
        QVERIFY(frame.isHidden());
        QCOMPARE(frame.Progress().StepsShown(), kRestartWaitSteps);
        QVERIFY(page->ApplyButton()->isEnabled());
        const std::vector<std::string> sent = {
            Wire(BuildSetupIpAddressRequest(target, newIp, L"255.255.255.0", L"2")),
            Wire(BuildRebootRequest(target))};
        QTRY_COMPARE_WITH_TIMEOUT(RequestsSince(before), sent, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(EventsSince(before).size() >= 3, 10000);
        QCOMPARE(EventsSince(before).at(0), std::string("lan-saved"));
        QCOMPARE(EventsSince(before).at(1), std::string("down"));
        const sim_log::Frame up = sim_log::Since(RepeaterLog(), before, "EVENT").at(2);
        QCOMPARE(up.Attr("what"), std::string("up"));
        QCOMPARE(up.Attr("address-change"), std::string("yes"));

        // Found at its new address, and it works there.
        QVERIFY(shell.ConnectTo(newIp));
        page = shell.Open<IpAddressPage>(WizardPageId::kIpAddress, MenuEntry::kIpAddress);
        QVERIFY(page != nullptr);
        QCOMPARE(shell.Wizard().Target().ip, newIp);
        QCOMPARE(page->CurrentAddressLabel()->WindowText(), newIp);
        QCOMPARE(page->AddressField()->Text(), std::wstring(L"0.0.0.0"));
        QCOMPARE(page->MaskField()->Text(), std::wstring(L"255.255.255.0"));
    }

    void Reset() {
        const std::wstring ip = VlanValue("VLAN_REPEATER_1_IP");
        ProgramShell shell(HostSetup::kReal);
        QVERIFY(shell.ConnectTo(ip));
        auto* page = shell.Open<ResetPage>(WizardPageId::kReset, MenuEntry::kReset);
        QVERIFY(page != nullptr);
        DeviceTarget target = shell.Wizard().Target();
        uint64_t before = sim_log::LastSeq(RepeaterLog());

        // Reboot: the wait runs inside Apply and ends on the search page.
        QVERIFY(page->RebootChoice()->GetCheck());
        Click(page->ApplyButton());
        QVERIFY(shell.Search().isVisible() && shell.Wizard().isHidden());
        QCOMPARE(shell.Wizard().Progress().StepsShown(), kRestartWaitSteps);
        QTRY_COMPARE_WITH_TIMEOUT(RequestsSince(before),
                                  std::vector<std::string>{Wire(BuildRebootRequest(target))}, 5000);
        QCOMPARE(EventsSince(before).at(0), std::string("down"));

        // Factory Reset, chosen by its caption, on a new wizard once the repeater is back.
        QVERIFY(shell.ConnectTo(ip));
        page = shell.Open<ResetPage>(WizardPageId::kReset, MenuEntry::kReset);
        QVERIFY(page != nullptr);
        target = shell.Wizard().Target();
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(320, 219));
        QVERIFY(page->FactoryResetChoice()->GetCheck() && !page->RebootChoice()->GetCheck());
        QVERIFY(SaveScreenshot(shell.Dialog(), QStringLiteral("net_page_reset")));
        before = sim_log::LastSeq(RepeaterLog());
        Click(page->ApplyButton());
        QVERIFY(shell.Search().isVisible() && shell.Wizard().isHidden());
        QCOMPARE(shell.Wizard().Progress().StepsShown(), kRestartWaitSteps);
        const std::vector<std::string> sent = {Wire(BuildResetDefaultRequest(target)),
                                               Wire(BuildRebootRequest(target))};
        QTRY_COMPARE_WITH_TIMEOUT(RequestsSince(before), sent, 5000);
        const std::vector<std::string> events = EventsSince(before);
        QVERIFY(events.size() >= 2);
        QCOMPARE(events.at(0), std::string("factory-defaults-saved"));
        QCOMPARE(events.at(1), std::string("down"));
        QVERIFY(!shell.Dialog().HasEnded());
    }
};

QTEST_MAIN(PagesNetTest)
#include "ip_address_reset_net_test.moc"
