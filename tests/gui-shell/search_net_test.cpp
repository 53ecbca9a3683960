// The search page over real sockets. scripts/vlan.sh runs it inside the PC namespace of
// a virtual LAN of simulated repeaters; TAMSEL_NET_CASE says what that LAN holds:
//   two          two repeaters that answer: both listed, Connect opens the wizard on each
//                (going back to the search page through "Locate" in between)
//   none         one repeater that ignores discovery: nothing listed, nothing to connect
//   unsupported  one repeater whose model text differs in letter case: Connect ends the
//                program
// Outside a namespace of its own the test skips, so that it never broadcasts on a real
// network.

#include <QPushButton>
#include <QtTest>

#include <set>
#include <string>
#include <utility>

#include "app/main_window.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/search_page.h"
#include "platform/time_scale.h"
#include "support/gui_test_support.h"
#include "support/program_shell.h"
#include "support/virtual_lan.h"
#include "web/selected_device.h"
#include "wizard/ui/wizard_frame.h"

class SearchNetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { REQUIRE_VIRTUAL_LAN(); }

    void searchAndConnect() {
        const QString netCase = qEnvironmentVariable("TAMSEL_NET_CASE");
        // The loading after Connect: pacing, limits and hold ten times faster, unless
        // TAMSEL_TIME_SCALE says otherwise.
        time_scale::SetFactor(10);
        time_scale::SetFactorFromEnvironment();
        ProgramShell shell(HostSetup::kNone);
        MainWindow& dialog = shell.Dialog();
        SearchPage& page = shell.Search();
        DeviceList& list = shell.Devices();

        // The label's growth is the offscreen test's; at this pace it may be over at once.
        QCOMPARE(page.StatusText(), std::wstring(L"Searching."));
        QTRY_VERIFY_WITH_TIMEOUT(page.ScanButton()->isEnabled(), 15000);

        if (netCase == QLatin1String("none")) {
            QCOMPARE(page.StatusText(), std::wstring(L"Ranveil Not Found !"));
            QCOMPARE(list.rowCount(), 0);
            QVERIFY(!page.ConnectButton()->isEnabled());
            return;
        }
        if (netCase == QLatin1String("unsupported")) {
            QCOMPARE(page.StatusText(), std::wstring(L"1 Ranveil Found !"));
            Click(page.ConnectButton());
            QVERIFY(dialog.HasEnded());
            QCOMPARE(dialog.Result(), 0);
            QVERIFY(!shell.HasWizard());
            return;
        }
        QCOMPARE(netCase, QStringLiteral("two"));
        QCOMPARE(page.StatusText(), std::wstring(L"2 Ranveils Found !"));
        QCOMPARE(list.SelectedRow(), 0);
        QVERIFY(page.ConnectButton()->isEnabled());

        using Listed = std::set<std::pair<std::wstring, std::wstring>>;
        Listed listed;
        for (int row = 0; row < list.rowCount(); ++row) {
            listed.emplace(list.Text(row, DeviceList::kMac), list.Text(row, DeviceList::kIp));
        }
        const Listed expected = {
            {VlanValue("VLAN_REPEATER_1_MAC"), VlanValue("VLAN_REPEATER_1_IP")},
            {VlanValue("VLAN_REPEATER_2_MAC"), VlanValue("VLAN_REPEATER_2_IP")}};
        QCOMPARE(listed, expected);

        // Connect to each in turn: every Connect builds a new frame for that device and
        // loads its settings; "Locate" leads back to a new search.
        for (int row = 0; row < 2; ++row) {
            const std::wstring ip = list.Text(row, DeviceList::kIp);
            list.SelectRow(row);
            QVERIFY(shell.Connect());
            QCOMPARE(shell.Wizard().DeviceIP(), ip);
            QCOMPARE(shell.Wizard().DeviceSubnet(), std::wstring(L"255.255.255.0"));
            const DeviceLogin& login = shell.State().Login();
            const bool second = login.ipAddress == VlanValue("VLAN_REPEATER_2_IP");
            QCOMPARE(login.userName, std::wstring(second ? L"root" : L"admin"));
            if (second) {
                QCOMPARE(login.password, std::wstring(L"pw"));
            }
            shell.Choose(MenuEntry::kLocate);
            QVERIFY(page.isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(page.ScanButton()->isEnabled(), 15000);
            QCOMPARE(list.rowCount(), 2);
        }
        QVERIFY(!dialog.HasEnded());
    }
};

QTEST_MAIN(SearchNetTest)
#include "search_net_test.moc"
