// The search page's tools over fake sockets: the search at an address or a block, the
// note that says what a search did, the device list's menu and keys (copy, export, the
// web page through a stand-in URL opener), the repeater remembered at Connect, and the
// status page's web page with the temporary address it needs.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "controls/state_color_label.h"
#include "discovery/device_export.h"
#include "discovery/discovery_manager.h"
#include "discovery/firewall_diagnosis.h"
#include "discovery/last_repeater.h"
#include "discovery/search_scope.h"
#include "discovery/search_target.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/device_list_actions.h"
#include "discovery/ui/search_page.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/fakes/fake_answer_watch.h"
#include "support/fakes/fake_repeater.h"
#include "support/fakes/fake_search_host.h"
#include "support/fakes/fake_shell.h"
#include "support/fakes/fake_wizard_host.h"
#include "support/gui_test_support.h"
#include "web/encoders.h"
#include "window/web_page_opener.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

std::vector<ReplyFields> TwoDevices() {
    return {DeviceReply("001a2b000001", "192.168.1.1"), DeviceReply("001a2b000002", "192.168.1.2")};
}

std::wstring Note(SearchPage& page) {
    return page.NoteLabel()->WindowText();
}

QMenu* Menu(SearchPage& page) {
    return page.ListActions().Menu();
}

// The message boxes up now, and their texts.
QStringList NoticeTexts() {
    QStringList texts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            texts << box->text();
        }
    }
    return texts;
}

void CloseNotices() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            box->close();
        }
    }
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The PC's one adapter, eth0, with `address`/24.
std::vector<AdapterInfo> OneAdapter(const wchar_t* address) {
    AdapterInfo adapter;
    adapter.index = 2;
    adapter.name = "eth0";
    adapter.type = AdapterType::kEthernet;
    adapter.operational = true;
    adapter.addresses.push_back({*ParseIpv4(std::wstring(address)), PrefixToMask(24), "eth0"});
    return {adapter};
}

}  // namespace

class SearchToolsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // The remembered repeater and the stand-in URL opener live in the test's folder.
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
        const QString bin = m_dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        QFile opener(bin + QStringLiteral("/xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$TAMSEL_TEST_OPENED\"\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_opened = m_dir.filePath(QStringLiteral("opened.txt"));
        qputenv("TAMSEL_TEST_OPENED", m_opened.toUtf8());
        m_path = (bin + QStringLiteral(":") + QString::fromUtf8(qgetenv("PATH"))).toUtf8();
        qputenv("PATH", m_path);
    }
    void init() {
        DialogWindow::ClearQuitting();
        // The searches' pacing on scaled time.
        time_scale::SetFactor(10);
        QFile::remove(m_opened);
        QFile::remove(QString::fromStdString(LastRepeaterStore::DefaultPath()));
    }
    void cleanup() { CloseNotices(); }

    // A refused text leaves the list and sends nothing, and the note says why; a /22 is
    // searched (Enter in the field starts it), a /21 is not. What answers joins the
    // broadcast's finds and is selected.
    void theSearchAtAnAddressOrABlock() {
        FakeShell shell;
        SearchPage& page = shell.Page();
        QVERIFY(shell.Answer({TwoDevices()[0]}));
        QVERIFY(shell.WaitForResult());
        QCOMPARE(page.DeviceTable()->rowCount(), 1);

        for (const QString& refused :
             {QStringLiteral("192.168.0.0/21"), QStringLiteral("repeater.local"),
              QStringLiteral("127.0.0.1")}) {
            page.AddressField()->setText(refused);
            Click(page.SearchAddressButton());
            QCOMPARE(Note(page), ParseSearchTarget(refused.toStdWString()).reason);
            QVERIFY(!Note(page).empty());
            QCOMPARE(shell.state.Discovery()->GetRequestCount(), 0);
            QVERIFY(page.ScanButton()->isEnabled());
        }
        QCOMPARE(page.DeviceTable()->rowCount(), 1);
        QVERIFY(shell.Discovery().unicasts.empty());

        page.AddressField()->setText(QStringLiteral(" 10.20.0.7/22 "));
        page.AddressField()->setFocus();
        QTest::keyClick(page.AddressField(), Qt::Key_Return);
        QCOMPARE(shell.state.Discovery()->GetRequestCount(), 1);
        QVERIFY(!page.ScanButton()->isEnabled() && !page.SearchAddressButton()->isEnabled());
        QVERIFY(!shell.dialog.HasEnded());
        QVERIFY(QTest::qWaitFor([&] { return !shell.Discovery().unicasts.empty(); }, 5000));
        QCOMPARE(shell.Discovery().unicasts.front().address, std::string("10.20.0.1"));
        QCOMPARE(shell.Discovery().unicasts.front().port, uint16_t{13379});
        // The list stays while the block is searched.
        QCOMPARE(page.DeviceTable()->rowCount(), 1);
        shell.Discovery().DeliverDatagram(
            AsString(BuildReply(DeviceReply("001a2b0000aa", "10.20.1.9"))), "10.20.1.9");
        shell.state.Discovery()->ClearRequests();  // the rest of the 1022 addresses
        QVERIFY(shell.WaitForResult());
        QCOMPARE(page.DeviceTable()->rowCount(), 2);
        QCOMPARE(page.DeviceTable()->SelectedRow(), 1);
        QCOMPARE(page.DeviceTable()->Text(1, DeviceList::kIp), std::wstring(L"10.20.1.9"));
        QCOMPARE(page.StatusText(), std::wstring(L"2 Ranveils Found !"));
    }

    // A search at a repeater the broadcast listed already: still one row for it, now
    // selected, and no word of nothing answering: the note says nothing.
    void anAddressSearchAtAListedRepeater() {
        FakeShell shell;
        SearchPage& page = shell.Page();
        QVERIFY(shell.Answer(TwoDevices()));
        QVERIFY(shell.WaitForResult());
        QCOMPARE(page.DeviceTable()->SelectedRow(), 0);
        page.AddressField()->setText(QStringLiteral("192.168.1.2"));
        QVERIFY(page.StartAddressSearch());
        QVERIFY(QTest::qWaitFor([&] { return !shell.Discovery().unicasts.empty(); }, 5000));
        shell.Discovery().DeliverDatagram(AsString(BuildReply(TwoDevices()[1])), "192.168.1.2");
        QVERIFY(shell.WaitForResult());
        QCOMPARE(page.DeviceTable()->rowCount(), 2);
        QCOMPARE(page.DeviceTable()->SelectedRow(), 1);
        QVERIFY(Note(page).empty());
        QVERIFY(page.NoteLabel()->isHidden());
    }

    // Nothing at the block: the note says so and why a search at an address may miss one.
    void nothingAtAnAddress() {
        FakeShell shell;
        SearchPage& page = shell.Page();
        QVERIFY(shell.WaitForResult());
        page.AddressField()->setText(QStringLiteral("10.1.2.3"));
        QVERIFY(page.StartAddressSearch());
        QVERIFY(shell.WaitForResult());
        QCOMPARE(Note(page), ExplainNothingFoundAt(*ParseSearchTarget(L"10.1.2.3").target));
        QCOMPARE(page.StatusText(), LoadString(kTextNoneFound));
    }

    // An empty broadcast search names the adapters it went out on and, without an address
    // on a private LAN, suggests the search at an address.
    void nothingFoundNamesTheAdapters() {
        for (const auto& [address, suggested] :
             {std::pair(L"192.168.7.5", false), std::pair(L"100.64.3.2", true)}) {
            const std::vector<AdapterInfo> adapters = OneAdapter(address);
            FakeShell shell([&](ShellServices& services) {
                services.readAdapters = [adapters] { return adapters; };
            });
            SearchPage& page = shell.Page();
            QVERIFY(shell.WaitForResult());
            QCOMPARE(page.StatusText(), LoadString(kTextNoneFound));
            const std::wstring expected = ExplainNothingFound(DescribeBroadcastScope(adapters),
                                                              LoadString(kTextAddressSearchHint));
            QCOMPARE(Note(page), expected);
            QVERIFY(Note(page).find(L"eth0") != std::wstring::npos);
            QCOMPARE(Note(page).find(LoadString(kTextAddressSearchHint)) != std::wstring::npos,
                     suggested);
            QCOMPARE(page.NoteLabel()->AccessibleText().toStdWString(), expected);
        }
    }

    // Answers that reached the PC but not the program: the one line about the firewall.
    void droppedAnswersAreNamed() {
        auto watch = std::make_shared<FakeAnswerWatchState>();
        watch->arrived = 2;
        FakeShell shell([&](ShellServices& services) {
            services.makeAnswerWatch = [watch] { return std::make_unique<FakeAnswerWatch>(watch); };
        });
        SearchPage& page = shell.Page();
        QVERIFY(shell.WaitForResult());
        QCOMPARE(watch->starts, 1);
        QCOMPARE(shell.state.Discovery()->DroppedAnswers(), 2u);
        QCOMPARE(Note(page), shell.state.Discovery()->DroppedAnswersNote());
        QVERIFY(Note(page).find(L"firewall") != std::wstring::npos);

        // Without rights there is no watch; with no firewall active the note says only
        // that nothing answered.
        FakeShell unwatched([](ShellServices& services) {
            services.makeAnswerWatch = [] { return std::unique_ptr<IAnswerWatch>(); };
        });
        QVERIFY(unwatched.WaitForResult());
        QCOMPARE(Note(unwatched.Page()), LoadString(kTextNoneAnswered));
    }

    // Nobody counted the answers (a user outside the group that may watch them): after a
    // broadcast search that found nothing, the note names the active firewall as the
    // likely cause, with its command. Where a watch ran, its count speaks instead.
    void theLikelyFirewallIsNamedWithoutAWatch() {
        const std::vector<AdapterInfo> adapters = OneAdapter(L"192.168.7.5");
        for (const HostFirewallState firewall :
             {HostFirewallState{true, false}, HostFirewallState{false, true}}) {
            FakeShell shell([&](ShellServices& services) {
                services.readAdapters = [adapters] { return adapters; };
                services.readFirewall = [firewall] { return firewall; };
            });
            QVERIFY(shell.WaitForResult());
            const std::wstring expected = ExplainNothingFound(DescribeBroadcastScope(adapters),
                                                              LoadString(kTextAddressSearchHint)) +
                                          L" " + ExplainLikelyFirewall(firewall);
            QCOMPARE(Note(shell.Page()), expected);
            QVERIFY(Note(shell.Page())
                        .find(firewall.ufwEnabled ? L"sudo ufw allow tamsel"
                                                  : L"sudo firewall-cmd") != std::wstring::npos);
            QCOMPARE(shell.Page().NoteLabel()->AccessibleText().toStdWString(), expected);

            // A repeater that answers: the firewall let it in, and nothing is said.
            Click(shell.Page().ScanButton());
            QVERIFY(shell.Answer({TwoDevices()[0]}, shell.Discovery().broadcasts.size()));
            QVERIFY(shell.WaitForResult());
            QVERIFY(Note(shell.Page()).empty());
        }

        auto watch = std::make_shared<FakeAnswerWatchState>();
        FakeShell watched([&](ShellServices& services) {
            services.makeAnswerWatch = [watch] { return std::make_unique<FakeAnswerWatch>(watch); };
            services.readFirewall = [] { return HostFirewallState{true, false}; };
        });
        QVERIFY(watched.WaitForResult());
        QCOMPARE(watch->starts, 1);
        QCOMPARE(Note(watched.Page()), LoadString(kTextNoneAnswered));
    }

    // The note says something true after each search, or nothing: nothing while a search
    // runs, nothing after one that found repeaters, and what an earlier search said goes
    // with the next one.
    void theNoteSaysNothingWhenThereIsNothingToSay() {
        FakeShell shell;
        SearchPage& page = shell.Page();
        QVERIFY(Note(page).empty() && page.NoteLabel()->isHidden());
        QVERIFY(shell.WaitForResult());
        QCOMPARE(Note(page), LoadString(kTextNoneAnswered));
        QVERIFY(page.NoteLabel()->isVisible());

        Click(page.ScanButton());
        QVERIFY(Note(page).empty() && page.NoteLabel()->isHidden());
        QVERIFY(shell.Answer(TwoDevices(), shell.Discovery().broadcasts.size()));
        QVERIFY(shell.WaitForResult());
        QCOMPARE(page.StatusText(), std::wstring(L"2 Ranveils Found !"));
        QVERIFY(Note(page).empty() && page.NoteLabel()->isHidden());
    }

    // The menu by right click, the menu key and Shift+F10, with its four entries; Copy and
    // Ctrl+C put the selected row on the clipboard.
    void theListsMenuAndCopy() {
        FakeShell shell;
        SearchPage& page = shell.Page();
        QVERIFY(shell.Answer(TwoDevices()));
        QVERIFY(shell.WaitForResult());
        DeviceList& list = *page.DeviceTable();

        list.setFocus();
        for (const auto& [key, modifiers] :
             {std::pair(Qt::Key_Menu, Qt::NoModifier), std::pair(Qt::Key_F10, Qt::ShiftModifier)}) {
            QTest::keyClick(&list, key, modifiers);
            QTRY_VERIFY(Menu(page) != nullptr && Menu(page)->isVisible());
            Menu(page)->close();
            QTRY_VERIFY(Menu(page) == nullptr);
        }
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 50),
                                list.viewport()->mapToGlobal(QPoint(20, 50)));
        QApplication::sendEvent(list.viewport(), &click);
        QTRY_VERIFY(Menu(page) != nullptr);
        QStringList entries;
        for (QAction* action : Menu(page)->actions()) {
            if (!action->isSeparator()) {
                entries << action->text();
                QVERIFY(action->isEnabled());
            }
        }
        QCOMPARE(entries, QStringList({QStringLiteral("Open web page"), QStringLiteral("Copy"),
                                       QString::fromStdWString(L"Export list\u2026"),
                                       QStringLiteral("Connect")}));

        QApplication::clipboard()->clear();
        Menu(page)->actions().at(1)->trigger();
        QCOMPARE(QApplication::clipboard()->text().toStdWString(),
                 DeviceRowText(page.Devices().at(0)));

        list.SelectRow(1);
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text().toStdWString(),
                 DeviceRowText(page.Devices().at(1)));
        QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("192.168.1.2")));
    }

    // Export writes what ExportDeviceList makes of the list, CSV or JSON by the name's
    // extension or the chosen filter, and a failure is told.
    void exportWritesTheListWhole() {
        FakeShell shell;
        SearchPage& page = shell.Page();
        QVERIFY(shell.Answer(TwoDevices()));
        QVERIFY(shell.WaitForResult());
        const std::string csv = ExportDeviceList(page.Devices(), DeviceListFormat::kCsv);
        const std::string json = ExportDeviceList(page.Devices(), DeviceListFormat::kJson);

        auto exportThroughDialog = [&](const QString& name, int filter) {
            page.ListActions().ExportList();
            QFileDialog* dialog = page.findChild<QFileDialog*>();
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            dialog->selectNameFilter(dialog->nameFilters().at(filter));
            dialog->setDirectory(m_dir.path());
            dialog->selectFile(name);
            static_cast<QDialog*>(dialog)->accept();
            QTRY_VERIFY(page.findChild<QFileDialog*>() == nullptr);
        };
        exportThroughDialog(QStringLiteral("list.json"), 0);
        QCOMPARE(ReadFile(m_dir.filePath(QStringLiteral("list.json"))).toStdString(), json);
        exportThroughDialog(QStringLiteral("list.csv"), 1);
        QCOMPARE(ReadFile(m_dir.filePath(QStringLiteral("list.csv"))).toStdString(), csv);
        // No extension: the filter decides.
        exportThroughDialog(QStringLiteral("plain"), 1);
        QCOMPARE(ReadFile(m_dir.filePath(QStringLiteral("plain.json"))).toStdString(), json);
        QVERIFY(NoticeTexts().isEmpty());

        const QString nowhere = m_dir.filePath(QStringLiteral("missing/list.csv"));
        QVERIFY(!page.ListActions().ExportListTo(nowhere, DeviceListFormat::kCsv));
        QTRY_COMPARE(NoticeTexts().size(), 1);
        QVERIFY(NoticeTexts().front().contains(nowhere));
    }

    // Open web page (Ctrl+O, the menu) hands the device's URL to the desktop's opener;
    // without one the URL is told. A device outside every subnet of the PC's: the note
    // says the browser reaches it only after Connect.
    void theWebPageOpensThroughTheDesktop() {
        std::vector<AdapterInfo> adapters = OneAdapter(L"10.0.0.5");
        FakeShell shell([&](ShellServices& services) {
            services.readAdapters = [&adapters] { return adapters; };
        });
        SearchPage& page = shell.Page();
        QVERIFY(shell.Answer(TwoDevices()));
        QVERIFY(shell.WaitForResult());
        page.DeviceTable()->SelectRow(1);
        QTest::keyClick(page.DeviceTable(), Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(ReadFile(m_opened), QByteArray("http://192.168.1.2/\n"));
        QTRY_COMPARE(page.ListActions().Opener().Outstanding(), size_t{0});
        QCOMPARE(Note(page), FormatString(kTextWebPageOtherSubnet, {L"192.168.1.2"}));
        QVERIFY(NoticeTexts().isEmpty());

        // Once Connect to it has added a temporary address (a /32, in no subnet of the
        // adapter's), the page says that address carries the browser's way and stays while
        // connected. For another repeater it carries nothing.
        const Ipv4 temp = *ParseIpv4(std::wstring(L"192.168.1.241"));
        adapters[0].addresses.push_back({temp, PrefixToMask(32), "eth0:tmsl", true, 1});
        shell.hostSetup.held = HostAddressContext{1, temp, 32};
        const std::vector<FoundDevice> found = page.Devices();
        QVERIFY(shell.state.ConnectTo(found.at(0)) != nullptr);
        page.ListActions().OpenSelectedWebPage();
        QTRY_COMPARE(ReadFile(m_opened), QByteArray("http://192.168.1.2/\nhttp://192.168.1.2/\n"));
        QVERIFY(NoticeTexts().isEmpty());
        QVERIFY(shell.state.ConnectTo(found.at(1)) != nullptr);
        page.ListActions().OpenSelectedWebPage();
        QTRY_COMPARE(NoticeTexts().size(), 1);
        QCOMPARE(NoticeTexts().front().toStdWString(),
                 FormatString(kTextWebPageTempAddress, {L"192.168.1.241"}));
        CloseNotices();
        QTRY_VERIFY(NoticeTexts().isEmpty());
        const QByteArray thrice("http://192.168.1.2/\nhttp://192.168.1.2/\nhttp://192.168.1.2/\n");
        QTRY_COMPARE(ReadFile(m_opened), thrice);

        page.ListActions().ShowMenu(QPoint(0, 0))->actions().at(0)->trigger();
        QTRY_COMPARE(ReadFile(m_opened), thrice + "http://192.168.1.2/\n");
        CloseNotices();
        QTRY_VERIFY(NoticeTexts().isEmpty());

        qputenv("PATH", m_dir.filePath(QStringLiteral("nothing")).toUtf8());
        page.ListActions().OpenSelectedWebPage();
        qputenv("PATH", m_path);
        QTRY_COMPARE(NoticeTexts().size(), 1);
        QCOMPARE(NoticeTexts().front().toStdWString(),
                 FormatString(kTextNoUrlOpener, {L"http://192.168.1.2/"}));
    }

    // Connect hands the host the selected repeater as the search found it, its web login
    // with it; the list holds only what shows and is not where the login comes from.
    void connectTakesTheLoginFromTheFoundDevice() {
        SearchPageOnFakeHost on;
        ReplyFields second = DeviceReply("001a2b000002", "192.168.1.2");
        second.user = "operator7";
        second.password = "s3cret\r\npass";
        QVERIFY(on.Answer({TwoDevices()[0], second}));
        QVERIFY(on.WaitForResult());
        DeviceList& list = *on.page.DeviceTable();
        QCOMPARE(list.rowCount(), 2);
        for (int row = 0; row < list.rowCount(); ++row) {
            for (int column = 0; column < list.columnCount(); ++column) {
                const QString cell = list.item(row, column)->text();
                QVERIFY(!cell.contains(QStringLiteral("s3cret")) &&
                        !cell.contains(QStringLiteral("operator7")));
            }
        }

        list.SelectRow(1);
        Click(on.page.ConnectButton());
        QCOMPARE(on.host.connected.size(), size_t{1});
        const FoundDevice& device = on.host.connected.front();
        QCOMPARE(device.userName, std::wstring(L"operator7"));
        QCOMPARE(device.password, std::wstring(L"s3cret\r\npass"));
        QCOMPARE(device.ip, std::wstring(L"192.168.1.2"));
        QCOMPARE(device.model, std::wstring(L"KV-Q3150Tx"));
        QCOMPARE(on.host.wizard.loads, 1);
        QVERIFY(ReadFile(QString::fromStdString(LastRepeaterStore::DefaultPath()))
                    .startsWith("00:1A:2B:00:00:02"));

        // No row: nothing to connect to.
        list.clearSelection();
        on.page.ConnectSelectedDevice();
        QCOMPARE(on.host.connected.size(), size_t{1});
    }

    // The program's state takes the login from what Connect hands it, without line breaks,
    // and names a temporary address only for the repeater it is connected to.
    void theStateKeepsTheConnectedRepeater() {
        FakeShell shell;
        QVERIFY(shell.Answer(TwoDevices()));
        QVERIFY(shell.WaitForResult());
        FoundDevice device = shell.Page().Devices().at(1);
        device.password = L"pa\r\nss";
        const Ipv4 temp = *ParseIpv4(std::wstring(L"192.168.1.241"));
        shell.hostSetup.held = HostAddressContext{1, temp, 32};
        QVERIFY(!shell.state.TempAddressFor(*ParseIpv4(std::wstring(L"192.168.1.2"))));
        QVERIFY(shell.state.ConnectTo(device) != nullptr);
        QCOMPARE(shell.state.Login().password, std::wstring(L"pass"));
        QCOMPARE(shell.state.Login().macAddress, std::wstring(L"00:1A:2B:00:00:02"));
        QCOMPARE(shell.dialog.Wizard()->Target().authBase64, EncodeBase64(L"admin:pass"));
        QCOMPARE(shell.state.TempAddressFor(*ParseIpv4(std::wstring(L"192.168.1.2"))),
                 shell.hostSetup.held);
        QVERIFY(!shell.state.TempAddressFor(*ParseIpv4(std::wstring(L"192.168.1.1"))));
    }

    // Connect remembers the repeater by its MAC address alone; the next run's search
    // selects it again.
    void connectRemembersTheRepeater() {
        time_scale::SetFactor(20);
        {
            FakeShell shell;
            FakeRepeater repeater(shell.Web(), [](const std::string&) {
                return std::string("HTTP/1.1 200 OK\r\n\r\n");
            });
            QVERIFY(shell.Answer(TwoDevices()));
            QVERIFY(shell.WaitForResult());
            QCOMPARE(shell.Page().DeviceTable()->SelectedRow(), 0);
            shell.Page().DeviceTable()->SelectRow(1);
            shell.Page().ConnectSelectedDevice();
            QVERIFY(shell.dialog.Wizard() != nullptr);
        }
        const QByteArray stored =
            ReadFile(QString::fromStdString(LastRepeaterStore::DefaultPath()));
        QVERIFY(stored.startsWith("00:1A:2B:00:00:02"));
        QVERIFY(stored.size() <= 18);

        time_scale::SetFactor(10);
        FakeShell next;
        QVERIFY(next.Answer(TwoDevices()));
        QVERIFY(next.WaitForResult());
        QCOMPARE(next.Page().DeviceTable()->SelectedRow(), 1);
    }

    // The status page opens the web page; through a temporary address it says that the
    // address stays while connected.
    void theStatusPageOpensTheWebPage() {
        PageOnFakeHost<SummaryPage> on;
        on.frame.show();
        on.page.ShowWindow(true);
        on.host.target.ip = L"192.168.9.4";
        Click(on.page.WebPageButton());
        QTRY_COMPARE(ReadFile(m_opened), QByteArray("http://192.168.9.4/\n"));
        QVERIFY(NoticeTexts().isEmpty());

        on.host.tempAddress = HostAddressContext{2, *ParseIpv4(std::wstring(L"192.168.9.241")), 24};
        on.page.OpenWebPage();
        QTRY_COMPARE(NoticeTexts().size(), 1);
        QCOMPARE(NoticeTexts().front().toStdWString(),
                 FormatString(kTextWebPageTempAddress, {L"192.168.9.241"}));
    }

private:
    QTemporaryDir m_dir;
    QString m_opened;
    QByteArray m_path;
};

QTEST_MAIN(SearchToolsTest)
#include "search_tools_test.moc"
