// The main window and the search page over fake sockets (nothing reaches a network):
// start-up, layout, the search flow, Connect (against a fake repeater) and the model rule,
// Minimize, Close and teardown, keys. Writes screenshots to the artefacts folder.

#include <QDir>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <utility>
#include <vector>

#include "app/main_window.h"
#include "controls/picture_button.h"
#include "controls/skin_images.h"
#include "controls/state_color_label.h"
#include "discovery/discovery_manager.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/search_layout.h"
#include "discovery/ui/search_page.h"
#include "hostnet/host_address_setup.h"
#include "platform/tick_clock.h"
#include "platform/time_scale.h"
#include "support/fakes/fake_repeater.h"
#include "support/fakes/fake_shell.h"
#include "support/fakes/fake_socket.h"
#include "support/gui_test_support.h"
#include "support/reply_builder.h"
#include "web/encoders.h"
#include "web/selected_device.h"
#include "window/control_layout.h"
#include "window/skin_layout.h"
#include "wizard/ui/wizard_frame.h"

namespace {

using Shell = FakeShell;

// Two repeaters: the first with a line break in its password, the second with its own
// user name.
std::vector<ReplyFields> TwoDevices() {
    ReplyFields first = DeviceReply("001a2b000001", "192.168.1.1");
    first.password = "pa\r\nss";
    ReplyFields second = DeviceReply("001a2b000002", "192.168.1.2");
    second.user = "root";
    return {first, second};
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
        ForgetLastRepeater();
    }

    void startUpBuildsTheShellAndSearches() {
        Shell shell;
        MainWindow& dialog = shell.dialog;
        QVERIFY(dialog.isWindow());
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(dialog.size(), QSize(700, 500));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("QMV4T2 Support Utility"));
        QCOMPARE(dialog.geometry().center(), dialog.screen()->availableGeometry().center());

        QCOMPARE(DialogWindow::RegisteredMainWindow(), &dialog);
        QCOMPARE(&dialog.State(), &shell.state);
        QVERIFY(shell.state.Discovery() != nullptr && shell.state.WebQueue() != nullptr);
        QVERIFY(dialog.Wizard() == nullptr);
        QVERIFY(dialog.HasTimer(9997) && dialog.HasTimer(9999));
        QCOMPARE(dialog.Search()->geometry(), QRect(0, 0, 700, 500));
        QVERIFY(dialog.Search()->isVisible());

        // Showing the page started the first search.
        QCOMPARE(shell.state.Discovery()->GetRequestCount(), 1);
        QCOMPARE(shell.Page().StatusText(), std::wstring(L"Searching."));
        QVERIFY(!shell.Page().ScanButton()->isEnabled());
        QVERIFY(!shell.Page().ConnectButton()->isEnabled());
        QVERIFY(SaveScreenshot(dialog, QStringLiteral("app_searching")));
    }

    void controlsSitAtTheirLayoutRectangles() {
        Shell shell;
        SearchPage& page = shell.Page();
        std::vector<std::pair<QWidget*, LayoutRect>> placed = {
            {page.MinimizeControl(), kMinimizeRect},    {page.CloseControl(), kCloseRect},
            {page.DeviceTable(), kSearchListRect},      {page.ScanButton(), kSearchScanRect},
            {page.ConnectButton(), kSearchConnectRect}, {page.ResultLabel(), kSearchResultRect}};
        const int menuImages[] = {220, 223, 218, 227, 216, 221, 225};
        for (int i = 0; i < kMenuEntryCount; ++i) {
            PictureButton* item = page.MenuItem(static_cast<MenuEntry>(i));
            placed.emplace_back(item, kMenuEntryRects[i]);
            QCOMPARE(item->isEnabled(), i == 0);
            QVERIFY(item->PictureFor(PictureButton::Look::kNormal).Image() ==
                    LoadSkinImage(menuImages[i]));
        }
        for (const auto& [control, rect] : placed) {
            QCOMPARE(control->geometry(), ToQRect(rect));
        }

        DeviceList& list = *shell.Page().DeviceTable();
        QCOMPARE(list.columnWidth(list.TableColumn(DeviceList::kMac)), 259);
        QCOMPARE(list.columnWidth(list.TableColumn(DeviceList::kIp)), 198);
        // The rest of a device's record is no part of the list at all.
        QCOMPARE(list.columnCount(), 2);
        QCOMPARE(int{DeviceList::kColumnCount}, 2);
        QCOMPARE(list.verticalHeader()->defaultSectionSize(), 35);
        QVERIFY(list.horizontalHeader()->isHidden());
    }

    void searchListsTheAnswers() {
        Shell shell;
        SearchPage& page = shell.Page();
        DeviceList& list = *shell.Page().DeviceTable();
        QTRY_COMPARE(page.StatusText(), std::wstring(L"Searching..."));

        const std::vector<ReplyFields> devices = TwoDevices();
        QVERIFY(shell.Answer(devices));
        QVERIFY(shell.WaitForResult());
        QCOMPARE(page.StatusText(), std::wstring(L"2 Ranveils Found !"));
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.SelectedRow(), 0);
        QVERIFY(page.ConnectButton()->isEnabled());
        QCOMPARE(list.Text(0, DeviceList::kMac), std::wstring(L"00:1A:2B:00:00:01"));
        QCOMPARE(list.Text(1, DeviceList::kIp), std::wstring(L"192.168.1.2"));

        // A repaint puts the status text back into the label.
        page.ResultLabel()->SetWindowText(L"stale");
        page.repaint();
        QCOMPARE(page.ResultLabel()->WindowText(), std::wstring(L"2 Ranveils Found !"));
        QVERIFY(SaveScreenshot(shell.dialog, QStringLiteral("app_search_results")));

        // A click on the empty part of the list leaves nothing to connect to.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(100, 160));
        QCOMPARE(list.SelectedRow(), -1);
        QVERIFY(!page.ConnectButton()->isEnabled());
        page.ConnectSelectedDevice();  // nothing selected: nothing happens
        QVERIFY(!shell.dialog.HasEnded());
        QVERIFY(shell.state.Login().ipAddress.empty() && shell.dialog.Wizard() == nullptr);
        const QRect secondRow =
            list.visualRect(list.model()->index(1, list.TableColumn(DeviceList::kMac)));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, secondRow.center());
        QCOMPARE(list.SelectedRow(), 1);
        QVERIFY(page.ConnectButton()->isEnabled());

        // Scan empties the list at once; both buttons wait for the new result.
        const size_t sent = shell.Discovery().broadcasts.size();
        Click(page.ScanButton());
        QCOMPARE(list.rowCount(), 0);
        QVERIFY(!page.ScanButton()->isEnabled());
        QVERIFY(!page.ConnectButton()->isEnabled());
        QCOMPARE(page.StatusText(), std::wstring(L"Searching."));
        QVERIFY(shell.Answer({devices[1]}, sent));
        QVERIFY(shell.WaitForResult());
        QCOMPARE(page.StatusText(), std::wstring(L"1 Ranveil Found !"));
    }

    // Connect copies the row, opens the wizard on it and loads the device's settings; a
    // later Connect (from the search page again, through "Locate") replaces the wizard.
    void connectOpensTheWizardOnTheSelectedRow() {
        time_scale::SetFactor(10);  // the loading's pacing and hold, ten times faster
        Shell shell;
        FakeRepeater repeater(shell.Web(),
                              [](const std::string&) { return "HTTP/1.1 200 OK\r\n\r\n"; });
        SearchPage& page = shell.Page();
        DeviceList& list = *shell.Page().DeviceTable();
        QVERIFY(shell.Answer(TwoDevices()));
        QVERIFY(shell.WaitForResult());

        // Connect copies the row without line breaks and opens the wizard on it.
        list.SelectRow(0);
        Click(page.ConnectButton());
        const DeviceLogin& login = shell.state.Login();
        QCOMPARE(login.password, std::wstring(L"pass"));
        QCOMPARE(login.userName, std::wstring(L"admin"));
        QCOMPARE(login.ipAddress, std::wstring(L"192.168.1.1"));
        QCOMPARE(login.macAddress, std::wstring(L"00:1A:2B:00:00:01"));
        QPointer<WizardFrame> firstFrame = shell.dialog.Wizard();
        QVERIFY(firstFrame != nullptr);
        QCOMPARE(firstFrame->Target().authBase64, EncodeBase64(L"admin:pass"));
        QVERIFY(firstFrame != nullptr);
        QCOMPARE(firstFrame->DeviceIP(), std::wstring(L"192.168.1.1"));
        QCOMPARE(firstFrame->DeviceSubnet(), std::wstring(L"255.255.255.0"));
        QVERIFY(firstFrame->isVisible() && !page.isVisible());
        QCOMPARE(repeater.requests.size(), size_t{3});  // the three reads of the loading
        QVERIFY(shell.Web().connects.front() == "192.168.1.1:80");

        // Back on the search page a new search runs; connecting again replaces the frame,
        // and the pointer never names the dying one.
        const size_t sent = shell.Discovery().broadcasts.size();
        Click(firstFrame->Page(WizardPageId::kSummary)->MenuItem(MenuEntry::kLocate));
        QVERIFY(page.isVisible() && firstFrame->isHidden());
        QVERIFY(shell.Answer(TwoDevices(), sent));
        QVERIFY(shell.WaitForResult());
        WizardFrame* pointerWhileDying = firstFrame;
        connect(firstFrame, &QObject::destroyed,
                [&] { pointerWhileDying = shell.dialog.Wizard(); });
        list.SelectRow(1);
        Click(page.ConnectButton());
        QVERIFY(firstFrame == nullptr);
        QVERIFY(pointerWhileDying == nullptr);
        QVERIFY(shell.dialog.Wizard() != nullptr);
        QCOMPARE(shell.dialog.Wizard()->DeviceIP(), std::wstring(L"192.168.1.2"));
        QCOMPARE(shell.state.Login().userName, std::wstring(L"root"));
        QVERIFY(!shell.dialog.HasEnded());
    }

    void noAnswerLeavesNothingToConnect() {
        Shell shell;
        QVERIFY(shell.WaitForResult());
        QCOMPARE(shell.Page().StatusText(), std::wstring(L"Ranveil Not Found !"));
        QVERIFY(!shell.Page().ConnectButton()->isEnabled());
    }

    // Only the exact model text opens the wizard; anything else, even a different letter
    // case or a trailing blank, ends the program, and the old frame goes either way.
    void onlyTheExactModelIsSupported_data() {
        QTest::addColumn<QString>("model");
        QTest::newRow("upper case X") << QStringLiteral("KV-Q3150TX");
        QTest::newRow("trailing blank") << QStringLiteral("KV-Q3150Tx ");
        QTest::newRow("lower case") << QStringLiteral("kv-q3150tx");
        QTest::newRow("empty") << QString();
    }
    void onlyTheExactModelIsSupported() {
        QFETCH(QString, model);
        Shell shell;
        QVERIFY(shell.dialog.OpenDeviceWizard(L"KV-Q3150Tx", L"192.168.1.1", L"255.255.255.0"));
        QPointer<WizardFrame> frame = shell.dialog.Wizard();
        QVERIFY(
            !shell.dialog.OpenDeviceWizard(model.toStdWString(), L"192.168.1.1", L"255.255.255.0"));
        QVERIFY(shell.dialog.HasEnded());
        QCOMPARE(shell.dialog.Result(), 0);
        QVERIFY(shell.dialog.Wizard() == nullptr);
        QVERIFY(frame == nullptr);
    }

    void minimizeCloseAndTeardown() {
        Shell shell;
        Click(shell.Page().MinimizeControl());
        QTRY_VERIFY(shell.dialog.isMinimized());
        shell.dialog.showNormal();

        QVERIFY(shell.dialog.OpenDeviceWizard(L"KV-Q3150Tx", L"192.168.1.1", L"255.255.255.0"));
        QPointer<WizardFrame> frame = shell.dialog.Wizard();
        QPointer<SearchPage> page = shell.dialog.Search();
        Click(shell.Page().CloseControl());
        QVERIFY(shell.dialog.HasEnded());
        QCOMPARE(shell.dialog.Result(), 0);

        shell.dialog.DestroyWindow();
        QVERIFY(shell.state.Discovery() == nullptr && shell.state.WebQueue() == nullptr);
        QVERIFY(shell.dialog.Search() == nullptr && shell.dialog.Wizard() == nullptr);
        QVERIFY(page == nullptr && frame == nullptr);
        QVERIFY(!shell.Discovery().alive);
        QVERIFY(!shell.dialog.HasTimer(9997) && !shell.dialog.HasTimer(9999));
    }

    void enterAndEscapeCloseNothing() {
        Shell shell;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(&shell.dialog, key);
            QTest::keyClick(&shell.Page(), key);
            QTest::keyClick(shell.Page().DeviceTable(), key);
        }
        QVERIFY(!shell.dialog.HasEnded());
        QVERIFY(shell.dialog.isVisible() && shell.Page().isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
