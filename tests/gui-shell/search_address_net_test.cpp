// The search page's tools over real sockets. scripts/vlan.sh runs it inside the PC
// namespace of a virtual LAN; TAMSEL_NET_CASE says what that LAN holds:
//   router     the PC on 10.0.0.0/24 with its default route through a router, and repeater
//              1 behind it on a far LAN, answering to the sender: the broadcast search
//              finds nothing; a search at its address finds it, Connect reaches it through
//              the routing table (no temporary address) and the summary shows its status.
//              The repeater logged the search request sent to its own address.
//   firewall   two repeaters on the LAN and an nftables input filter in the PC that lets in
//              only what belongs to what the PC sent: their answers to the broadcast are
//              dropped, and the page's note says so (the test runs as root, so the program
//              watches for them itself).
//   temp_web   a repeater in a subnet where the PC has no address: after Connect, Open
//              web page on the summary hands its URL to the desktop's opener (a stand-in
//              on the PATH) and names the temporary address that carries it.
// Outside a namespace of its own the test skips, so that it never broadcasts on a real
// network.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

#include "controls/markup_label.h"
#include "controls/state_color_label.h"
#include "discovery/datagram.h"
#include "discovery/discovery_manager.h"
#include "platform/linux/answer_watches.h"
#include "platform/linux/rtnl_host_reader.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/gui_test_support.h"
#include "support/program_shell.h"
#include "support/sim_log_reader.h"
#include "support/virtual_lan.h"
#include "wizard/ui/summary_page.h"

namespace {

// The discovery datagrams repeater `n` logged.
std::vector<sim_log::Frame> SearchesLogged(int n) {
    std::vector<sim_log::Frame> searches;
    const std::string log =
        qEnvironmentVariable(("VLAN_REPEATER_" + std::to_string(n) + "_LOG").c_str()).toStdString();
    for (const sim_log::Frame& frame : sim_log::Read(log)) {
        if (frame.kind == "DISCOVERY") {
            searches.push_back(frame);
        }
    }
    return searches;
}

// The 16 bytes of the search request for every device.
std::string SearchRequestBytes() {
    const uint8_t everyDevice[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const auto request = BuildSearchRequest(everyDevice);
    return std::string(request.begin(), request.end());
}

void WithAdapters(ShellServices& services) {
    services.readAdapters = ReadHostAdapters;
    services.makeAnswerWatch = MakeAnswerWatch;
}

QString RunNft(const QStringList& arguments, const QByteArray& script = QByteArray()) {
    QProcess nft;
    nft.start(QStringLiteral("nft"), arguments);
    nft.write(script);
    nft.closeWriteChannel();
    nft.waitForFinished();
    return nft.exitCode() == 0 ? QString() : QString::fromLocal8Bit(nft.readAllStandardError());
}

}  // namespace

class SearchAddressNetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { PREPARE_VIRTUAL_LAN_TEST(10); }

    void searchTools() {
        RunNetCase({{"router", [this] { Router(); }},
                    {"firewall", [this] { Firewall(); }},
                    {"temp_web", [this] { TempWebPage(); }}});
    }

private:
    void Router() {
        ProgramShell shell(HostSetup::kReal, {}, WithAdapters);
        SearchPage& page = shell.Search();
        QVERIFY(shell.WaitForSearch());
        QCOMPARE(page.StatusText(), LoadString(kTextNoneFound));
        QVERIFY(page.NoteLabel()->WindowText().find(L"eth0") != std::wstring::npos);
        const size_t broadcastsLogged = SearchesLogged(1).size();
        QCOMPARE(broadcastsLogged, size_t{0});  // no broadcast crosses the router

        const std::wstring ip = VlanValue("VLAN_REPEATER_1_IP");
        page.AddressField()->setText(QString::fromStdWString(ip));
        Click(page.SearchAddressButton());
        QVERIFY(shell.WaitForSearch());
        QCOMPARE(page.StatusText(), LoadString(kTextOneFound));
        QCOMPARE(shell.Devices().Text(0, DeviceList::kMac), VlanValue("VLAN_REPEATER_1_MAC"));
        QCOMPARE(shell.Devices().SelectedRow(), 0);

        const std::vector<sim_log::Frame> searches = SearchesLogged(1);
        QCOMPARE(searches.size(), size_t{3});
        for (const sim_log::Frame& frame : searches) {
            QCOMPARE(frame.bytes, SearchRequestBytes());
            QCOMPARE(QString::fromStdString(frame.Attr("to")), QString::fromStdWString(ip));
            QCOMPARE(frame.Attr("answered"), std::string("yes"));
        }

        QVERIFY(shell.Connect());
        SummaryPage& summary = *shell.Wizard().Summary();
        QVERIFY(summary.isVisible());
        QCOMPARE(summary.ValueLabel(0)->WindowText(), VlanValue("VLAN_REPEATER_1_MAC"));
        QCOMPARE(summary.ValueLabel(2)->WindowText(), ip);
        QVERIFY2(TempAddresses().isEmpty(), qPrintable(TempAddresses().join('\n')));
    }

    void Firewall() {
        QCOMPARE(RunNft({QStringLiteral("-f"), QStringLiteral("-")}, R"(
            table inet tamsel_gui_test {
                chain input {
                    type filter hook input priority 0; policy drop;
                    iif lo accept
                    ct state established,related accept
                }
            })"),
                 QString());
        ProgramShell shell(HostSetup::kNone, {}, WithAdapters);
        SearchPage& page = shell.Search();
        const bool searched = shell.WaitForSearch();
        const std::wstring note = page.NoteLabel()->WindowText();
        const QString removed = RunNft({QStringLiteral("delete"), QStringLiteral("table"),
                                        QStringLiteral("inet"), QStringLiteral("tamsel_gui_test")});
        QVERIFY(searched);
        QCOMPARE(removed, QString());
        QCOMPARE(page.StatusText(), LoadString(kTextNoneFound));
        QCOMPARE(shell.State().Discovery()->DroppedAnswers(), 2u);
        QCOMPARE(note, shell.State().Discovery()->DroppedAnswersNote());
        QVERIFY(note.starts_with(L"2 repeaters answered, but this computer's firewall dropped"));
        for (int n = 1; n <= 2; ++n) {
            const std::vector<sim_log::Frame> searches = SearchesLogged(n);
            QCOMPARE(searches.size(), size_t{3});
            for (const sim_log::Frame& frame : searches) {
                QCOMPARE(frame.bytes, SearchRequestBytes());
                QCOMPARE(frame.Attr("answered"), std::string("yes"));
            }
        }
    }

    void TempWebPage() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString opened = dir.filePath(QStringLiteral("opened"));
        QFile opener(dir.filePath(QStringLiteral("xdg-open")));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write(
            // Written aside and moved: the file appears whole, never empty or half written.
            QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" > '%1.part' && mv '%1.part' '%1'\n")
                .arg(opened)
                .toUtf8());
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", (dir.path() + QStringLiteral(":") + qEnvironmentVariable("PATH")).toUtf8());

        ProgramShell shell(HostSetup::kReal, {}, WithAdapters);
        const std::wstring ip = VlanValue("VLAN_REPEATER_1_IP");
        QVERIFY(shell.ConnectTo(ip));
        QCOMPARE(TempAddresses().size(), 1);
        const QString temp = TempAddresses().front().section(' ', 3, 3).section('/', 0, 0);

        SummaryPage& summary = *shell.Wizard().Summary();
        Click(summary.WebPageButton());
        QTRY_COMPARE(QFile(opened).exists(), true);
        QFile url(opened);
        QVERIFY(url.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(url.readAll()),
                 QStringLiteral("http://%1/\n").arg(QString::fromStdWString(ip)));
        QMessageBox* notice = nullptr;
        QTRY_VERIFY((notice = summary.window()->findChild<QMessageBox*>()) != nullptr);
        QCOMPARE(notice->text().toStdWString(),
                 FormatString(kTextWebPageTempAddress, {temp.toStdWString()}));
        notice->close();

        // The address stays while connected and goes at the end.
        QCOMPARE(TempAddresses().size(), 1);
        Click(summary.CloseControl());
        QVERIFY(shell.Dialog().HasEnded());
        shell.Dialog().DestroyWindow();
        QVERIFY(TempAddresses().isEmpty());
    }
};

QTEST_MAIN(SearchAddressNetTest)
#include "search_address_net_test.moc"
