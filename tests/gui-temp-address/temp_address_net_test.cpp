// The program and its temporary addresses, against simulated repeaters over real sockets,
// on scaled time. scripts/vlan.sh runs it inside the PC namespace of a virtual LAN;
// TAMSEL_NET_CASE says what that LAN holds:
//   two_programs  two repeaters of one foreign subnet: the GUI connects to the first while
//                 tamselctl ($TAMSELCTL) reads the second, at the same moment, round after
//                 round; each reads its own repeater and nothing is left afterwards
//   refused       a repeater at 8.8.8.8/8: Connect says in a message that the PC's routes
//                 stay as they are, and they do
//   no_rights     the program runs as a user outside the network helper's group: Connect
//                 says what is missing and the command that grants it
// Outside a namespace of its own the test skips, so that it never broadcasts on a real
// network. Writes screenshots to the artefacts folder.

#include <QProcess>
#include <QtTest>

#include <string>
#include <vector>

#include "controls/markup_label.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/gui_test_support.h"
#include "support/program_shell.h"
#include "support/virtual_lan.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

constexpr uint32_t kTimeScale = 20;
constexpr int kRounds = 3;

// How the PC routes to each destination.
QString Routes(const QStringList& destinations) {
    QString routes;
    for (const QString& destination : destinations) {
        routes += RunForOutput(QStringLiteral("ip"),
                               {QStringLiteral("route"), QStringLiteral("get"), destination});
    }
    return routes;
}

QString Repeater(int n) {
    return QString::fromStdWString(VlanValue("VLAN_REPEATER_" + std::to_string(n) + "_IP"));
}

// Presses Connect on repeater 1; returns the text of the message box it showed, if any.
std::wstring ConnectAndReadMessage(ProgramShell& shell, const QString& screenshot) {
    std::wstring shown;
    WhenModal([&] { return shell.HasWizard() ? &shell.Wizard().Messages() : nullptr; },
              [&] {
                  MessageBox& box = shell.Wizard().Messages();
                  Finally end([&] { Click(box.OkButton()); });
                  shown = box.Message();
                  SaveScreenshot(box, screenshot);
              });
    Click(shell.Search().ConnectButton());
    return shown;
}

}  // namespace

class TempAddressNetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { PREPARE_VIRTUAL_LAN_TEST(kTimeScale); }

    void temporaryAddress() {
        RunNetCase({{"two_programs", [this] { TwoPrograms(); }},
                    {"refused", [this] { Refused(); }},
                    {"no_rights", [this] { NoRights(); }}});
    }

private:
    void TwoPrograms() {
        const QString tamselctl = qEnvironmentVariable("TAMSELCTL");
        QVERIFY(!tamselctl.isEmpty());
        ProgramShell shell(HostSetup::kReal);
        QVERIFY(TempAddresses().isEmpty());
        for (int round = 1; round <= kRounds; ++round) {
            QVERIFY(shell.SelectDevice(Repeater(1).toStdWString()));
            // tamselctl knows the login, so it sets the PC up at once, as the Connect does.
            QProcess reader;
            reader.start(tamselctl,
                         {QStringLiteral("status"), Repeater(2), QStringLiteral("--password"),
                          QStringLiteral("admin"), QStringLiteral("--json")});
            QVERIFY(reader.waitForStarted());
            QVERIFY2(shell.Connect(), qPrintable(QStringLiteral("round %1").arg(round)));
            QCOMPARE(shell.Wizard().Summary()->ValueLabel(2)->WindowText(),
                     Repeater(1).toStdWString());

            // It may have ended while the Connect's modal loops ran.
            QVERIFY(reader.state() == QProcess::NotRunning || reader.waitForFinished(120000));
            const QString err = QString::fromLocal8Bit(reader.readAllStandardError());
            QVERIFY2(reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 0,
                     qPrintable(err));
            const QString out = QString::fromLocal8Bit(reader.readAllStandardOutput());
            QVERIFY2(out.contains(QStringLiteral("\"lanIp\": \"%1\"").arg(Repeater(2))),
                     qPrintable(out));
            // The GUI's address is its own, tamselctl's is gone with it.
            QCOMPARE(TempAddresses().size(), 1);
            shell.Choose(MenuEntry::kLocate);
        }
        QVERIFY(shell.SelectDevice(Repeater(1).toStdWString()));
        QVERIFY(shell.Connect());
        Click(shell.Wizard().Page(WizardPageId::kSummary)->CloseControl());
        QVERIFY(shell.Dialog().HasEnded());
        shell.Dialog().DestroyWindow();
        QVERIFY(TempAddresses().isEmpty());
    }

    void Refused() {
        const QStringList watched{QStringLiteral("8.8.8.8"), QStringLiteral("8.8.4.4"),
                                  QStringLiteral("10.1.2.3")};
        const QString before = Routes(watched);
        ProgramShell shell(HostSetup::kReal);
        QVERIFY(shell.SelectDevice(Repeater(1).toStdWString()));
        QCOMPARE(ConnectAndReadMessage(shell, QStringLiteral("net_refused_device")),
                 LoadString(kMsgTempAddressRefused));
        QVERIFY(shell.BackOnSearchPage());
        QVERIFY(TempAddresses().isEmpty());
        QCOMPARE(Routes(watched), before);
    }

    void NoRights() {
        ProgramShell shell(HostSetup::kReal);
        QVERIFY(shell.SelectDevice(Repeater(1).toStdWString()));
        const std::wstring shown = ConnectAndReadMessage(shell, QStringLiteral("net_no_rights"));
        QCOMPARE(shown, LoadString(kMsgJoinGroup));
        QVERIFY(shown.find(L"sudo adduser $USER tamsel") != std::wstring::npos);
        QVERIFY(shell.BackOnSearchPage());
        QVERIFY(TempAddresses().isEmpty());
    }
};

QTEST_MAIN(TempAddressNetTest)
#include "temp_address_net_test.moc"
