// The wireless repeater page on its own, with a host that records what the page queues:
// nothing reaches a network. The survey results come in through the page's hook as the
// task driver hands them over. Writes a screenshot of the page with a survey to the
// artefacts folder.

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/fakes/fake_wizard_host.h"
#include "support/gui_test_support.h"
#include "support/message_answerer.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "window/page_navigation.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/survey_list.h"
#include "wizard/ui/wireless_page.h"

namespace {

SurveyNetwork Network(const std::wstring& ssid, const std::wstring& channel,
                      const std::wstring& encryption, const std::wstring& wpaKind,
                      const std::wstring& signal) {
    const auto [keyword, text] = ClassifySecurity(encryption, wpaKind);
    return {channel, ssid, L"00:11:22:33:44:" + channel, encryption, wpaKind, signal, L"AP",
            keyword, text};
}

// One network of each kind the page tells apart, in list order.
enum Row { kWpa2, kWep, kOpen, kTkip, kUnknown };
std::vector<SurveyNetwork> Networks() {
    return {Network(L"Home Net", L"6", L"AES", L"WPA2PSK", L"78"),
            Network(L"Old & Router", L"11", L"WEP", L" ", L"41"),
            Network(L"Cafe", L"3", L"NONE", L" ", L"55"),
            Network(L"Office", L"1", L"TKIP", L"WPAPSK", L"64"),
            Network(L"Lab", L"9", L"SAE", L"WPA3", L"30")};
}

// The page in a 700 by 500 frame, created and hidden as the wizard frame leaves it (the
// selected device is set by the test's init).
struct PageRig : PageOnFakeHost<WirelessPage, DialogWindow> {
    PageRig() {
        frame.move(0, 0);
        frame.show();
        page.ShowWindow(false);
    }

    // Shown, its first survey answered with `networks`.
    void ShowWithSurvey(const std::vector<SurveyNetwork>& networks) {
        page.ShowWindow(true);
        page.ShowSurvey(networks);
        host.sink.queued.clear();
        host.sink.requests.clear();
    }
    SurveyList& List() { return *page.SurveyTable(); }
    QLineEdit& Key() { return *page.KeyField(); }
    // Connect with `key` typed.
    void ConnectWith(const QString& key) {
        Key().setText(key);
        Click(page.ConnectButton());
    }
    // Connect with `key` typed, expecting a refusal: the text the message box showed.
    std::wstring RefusalOf(const QString& key) {
        MessageAnswerer answerer(&host.messages);
        ConnectWith(key);
        return answerer.texts.empty() ? std::wstring() : answerer.texts.front();
    }
};

std::vector<std::wstring> Names(std::initializer_list<const wchar_t*> names) {
    return {names.begin(), names.end()};
}

}  // namespace

class SurveyPageTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
    }

    void theFirstShowSurveysOnceAndTheListOutlivesHiding() {
        PageRig rig;
        QVERIFY(rig.host.sink.queued.empty());
        rig.page.ShowWindow(true);
        QCOMPARE(rig.host.sink.queued, Names({kCommandSiteSurvey}));
        QCOMPARE(rig.host.sink.requests[0].text, BuildSiteSurveyRequest(rig.host.target).text);
        QVERIFY(!rig.page.ScanButton()->isEnabled());
        QVERIFY(!rig.page.ConnectButton()->isEnabled());
        QVERIFY(!rig.Key().isEnabled());

        // Shown again while the survey runs: Scan is disabled, nothing more is queued.
        rig.page.ShowWindow(false);
        rig.page.ShowWindow(true);
        QCOMPARE(rig.host.sink.queued.size(), size_t{1});

        // With rows the page keeps them; a survey that found nothing surveys again.
        rig.page.ShowSurvey(Networks());
        rig.page.ShowWindow(false);
        rig.page.ShowWindow(true);
        QCOMPARE(rig.host.sink.queued.size(), size_t{1});
        QCOMPARE(rig.List().rowCount(), 5);
        rig.page.ShowSurvey({});
        QVERIFY(rig.page.ScanButton()->isEnabled());
        QVERIFY(!rig.page.ConnectButton()->isEnabled() && !rig.Key().isEnabled());
        rig.page.ShowWindow(false);
        rig.page.ShowWindow(true);
        QCOMPARE(rig.host.sink.queued, Names({kCommandSiteSurvey, kCommandSiteSurvey}));

        // A disabled Scan does nothing; a failed survey gives Scan back, not Connect.
        rig.page.OnScan();
        QCOMPARE(rig.host.sink.queued.size(), size_t{2});
        rig.host.Answer(kCommandSiteSurvey, 4, "HTTP/1.1 404 Not Found\r\n\r\n");
        QVERIFY(rig.page.ScanButton()->isEnabled());
        QVERIFY(!rig.page.ConnectButton()->isEnabled());
    }

    void theListShowsSsidSecurityAndSignalAndCarriesTheRest() {
        PageRig rig;
        rig.host.status.ssid = L"Home Net";
        rig.host.status.security = L"WPA2PSK-AES";
        rig.host.status.wanIp = L"192.168.0.23";
        rig.host.status.wanMask = L"255.255.255.0";
        rig.host.status.gateway = L"192.168.0.1";
        rig.host.status.dns1 = L"192.168.0.53";
        rig.ShowWithSurvey(Networks());
        SurveyList& list = rig.List();
        QCOMPARE(list.geometry(), QRect(225, 317, 430, 110));
        QCOMPARE(list.rowHeight(0), 20);  // the row picture's height

        // 50 %, 30 % and 15 % of 430 pixels; the other four columns only carry data.
        QCOMPARE(list.columnWidth(list.TableColumn(SurveyList::kSsid)), 215);
        QCOMPARE(list.columnWidth(list.TableColumn(SurveyList::kEncrypt)), 129);
        QCOMPARE(list.columnWidth(list.TableColumn(SurveyList::kSignal)), 64);
        QCOMPARE(list.columnCount(), 3);
        for (const int kept :
             {SurveyList::kBssid, SurveyList::kChannel, SurveyList::kMode, SurveyList::kValue}) {
            QCOMPARE(list.TableColumn(kept), -1);
        }
        const std::vector<std::wstring> row1 = {
            L"00:11:22:33:44:11", L"Old & Router", L"11", L"WEP", L"41", L"AP", L"WEP"};
        for (int column = 0; column < SurveyList::kColumnCount; ++column) {
            QCOMPARE(list.Text(kWep, column), row1[static_cast<size_t>(column)]);
        }
        QCOMPARE(list.Text(kUnknown, SurveyList::kEncrypt), std::wstring(L"Unknown Type"));
        // The network's name reads left-aligned; the security and the signal's digits line
        // up on the right.
        const auto alignment = [&](int column) {
            return list.item(kWep, list.TableColumn(column))->textAlignment() &
                   Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(alignment(SurveyList::kSsid), int(Qt::AlignLeft));
        QCOMPARE(alignment(SurveyList::kEncrypt), int(Qt::AlignRight));
        QCOMPARE(alignment(SurveyList::kSignal), int(Qt::AlignRight));

        // The first row is selected and the controls suit it.
        QCOMPARE(list.SelectedRow(), 0);
        QVERIFY(rig.page.ScanButton()->isEnabled() && rig.page.ConnectButton()->isEnabled());
        QVERIFY(rig.Key().isEnabled());

        // The device's current connection, one label per value.
        const std::vector<std::wstring> current = {L"Home Net",     L"WPA2PSK-AES",
                                                   L"192.168.0.23", L"255.255.255.0",
                                                   L"192.168.0.1",  L"192.168.0.53"};
        for (int i = 0; i < WirelessPage::kStatusCount; ++i) {
            const auto value = static_cast<WirelessPage::StatusValue>(i);
            QCOMPARE(rig.page.StatusLabel(value)->WindowText(), current[static_cast<size_t>(i)]);
        }
        rig.Key().setText(QStringLiteral("correct horse battery"));
        QVERIFY(SaveScreenshot(rig.frame, QStringLiteral("wireless_survey")));
    }

    void theSelectedNetworksSecurityDecidesKeyFieldAndDefaultKeyList() {
        PageRig rig;
        rig.ShowWithSurvey(Networks());
        QComboBox& defaultKey = *rig.page.DefaultKeyList();
        struct Expected {
            Row row;
            bool keyEnabled;
            int limit;  // 0: not checked
            bool defaultKeyShown;
            int descriptionId;
        };
        const Expected cases[] = {
            {kWep, true, 26, true, kMsgWepKey},
            {kOpen, false, 0, false, kTextSurveyNoKeyHelp},
            {kTkip, true, 64, false, kMsgPreSharedKey},
            {kUnknown, false, 0, false, kMsgUnsupportedSecurity},
            {kWpa2, true, 64, false, kMsgPreSharedKey},
        };
        for (const Expected& c : cases) {
            rig.Key().setText(QStringLiteral("typed before"));
            rig.List().SelectRow(c.row);
            QCOMPARE(rig.Key().text(), QString());  // every selection change empties it
            QCOMPARE(rig.Key().isEnabled(), c.keyEnabled);
            if (c.limit != 0) {
                QCOMPARE(rig.Key().maxLength(), c.limit);
            }
            QCOMPARE(defaultKey.isVisible(), c.defaultKeyShown);
            QVERIFY(rig.page.ConnectButton()->isEnabled());
            QCOMPARE(rig.Key().accessibleDescription(),
                     QString::fromStdWString(LoadString(c.descriptionId)));
        }

        // A WEP key cannot grow past 26 characters.
        rig.List().SelectRow(kWep);
        rig.Key().setFocus();
        QTest::keyClicks(&rig.Key(), QString(30, QLatin1Char('a')));
        QCOMPARE(rig.Key().text().size(), 26);
        QCOMPARE(defaultKey.count(), 4);
        QCOMPARE(defaultKey.itemText(3), QStringLiteral("Key 4"));
    }

    void aShowResetsTheDefaultKeyButKeepsItInViewForWep() {
        PageRig rig;
        rig.ShowWithSurvey(Networks());
        rig.List().SelectRow(kWep);
        QComboBox& defaultKey = *rig.page.DefaultKeyList();
        defaultKey.setCurrentIndex(2);
        rig.page.ShowWindow(false);
        rig.page.ShowWindow(true);
        QCOMPARE(defaultKey.currentIndex(), 0);
        QVERIFY(defaultKey.isVisible());
        QCOMPARE(defaultKey.geometry(), QRect(450, 455, 60, 23));

        rig.List().SelectRow(kTkip);
        rig.page.ShowWindow(false);
        rig.page.ShowWindow(true);
        QVERIFY(!defaultKey.isVisible());

        // A WEP network with its key field disabled (a bridging is on its way) gets no key
        // index either.
        rig.List().SelectRow(kWep);
        QVERIFY(defaultKey.isVisible());
        rig.Key().setEnabled(false);
        rig.page.ShowWindow(false);
        rig.page.ShowWindow(true);
        QVERIFY(!defaultKey.isVisible());
    }

    void anUnsupportedSecurityIsRefusedAndNothingIsSent() {
        PageRig rig;
        rig.ShowWithSurvey(Networks());
        rig.List().SelectRow(kUnknown);
        QCOMPARE(rig.RefusalOf(QStringLiteral("any key at all")),
                 LoadString(kMsgUnsupportedSecurity));
        QVERIFY(rig.host.sink.queued.empty());
        QVERIFY(rig.page.ConnectButton()->isEnabled());
    }

    void connectQueuesTheModeFormThenTheStationFormAndWaitsForTheResult() {
        PageRig rig;
        rig.ShowWithSurvey(Networks());
        const QString passphrase = QStringLiteral("correct horse battery");
        rig.ConnectWith(passphrase);
        const auto sequence = BuildRepeaterSequence(
            rig.host.target,
            RepeaterSettingsFor(L"Home Net", L"6", L"AES", passphrase.toStdWString(), 0));
        QCOMPARE(rig.host.sink.queued.size(), size_t{2});
        for (size_t i = 0; i < 2; ++i) {
            QCOMPARE(rig.host.sink.queued[i], sequence[i].command);
            QCOMPARE(rig.host.sink.requests[i].text, sequence[i].request.text);
        }
        QCOMPARE(rig.page.ChosenSsid(), std::wstring(L"Home Net"));
        QCOMPARE(rig.page.ChosenChannel(), std::wstring(L"6"));

        // Until the REPEATER result only Scan can be pressed: a second Connect would bridge
        // the device twice. Neither another row nor the answer to a new survey changes that.
        auto bridgingLocked = [&] {
            return !rig.page.ConnectButton()->isEnabled() && !rig.Key().isEnabled();
        };
        QVERIFY(bridgingLocked());
        QVERIFY(rig.page.ScanButton()->isEnabled());
        Click(rig.page.ConnectButton());
        QCOMPARE(rig.host.sink.queued.size(), size_t{2});
        rig.List().SelectRow(kTkip);
        QVERIFY(bridgingLocked());
        Click(rig.page.ScanButton());
        rig.page.ShowSurvey(Networks());
        QVERIFY(bridgingLocked());
        rig.List().SelectRow(kWep);
        QVERIFY(bridgingLocked());
        // A failed survey disables Connect; that is no answer to the bridging.
        rig.host.Answer(kCommandSiteSurvey, 4, "HTTP/1.1 404 Not Found\r\n\r\n");
        rig.List().SelectRow(kWpa2);
        QVERIFY(bridgingLocked());
        // The device took the bridging: Connect and an empty key field are back before
        // the restart wait.
        rig.Key().setText(QStringLiteral("typed meanwhile"));
        time_scale::SetFactor(1000);
        bool unlockedForTheWait = false;
        WhenModal([&rig] { return &rig.host.progress; },
                  [&] {
                      unlockedForTheWait = rig.page.ConnectButton()->isEnabled() &&
                                           rig.Key().isEnabled() && rig.Key().text().isEmpty();
                  });
        rig.host.Answer(kCommandUncheckRepeater, 4, "");
        rig.host.Answer(kCommandRepeater, 4, "HTTP/1.1 200 OK\r\n\r\n");
        time_scale::SetFactor(1);
        QVERIFY(unlockedForTheWait);
        // And the rows work as before again.
        rig.List().SelectRow(kOpen);
        QVERIFY(rig.page.ConnectButton()->isEnabled() && !rig.Key().isEnabled());
    }

    void aBridgingTheDeviceTookIsFollowedByItsRestartWaitThenTheSearchPage() {
        PageRig rig;
        rig.ShowWithSurvey(Networks());
        rig.List().SelectRow(kOpen);
        Click(rig.page.ConnectButton());
        rig.host.sink.queued.clear();
        std::optional<RestartCause> cause;
        std::wstring text;
        WhenModal([&rig] { return &rig.host.progress; },
                  [&] {
                      cause = rig.page.RunningRestartWait();
                      text = rig.host.progress.ProgressText();
                  });
        time_scale::SetFactor(100);
        rig.host.Answer(kCommandRepeater, 4, "HTTP/1.1 200 OK\r\n\r\n");
        time_scale::SetFactor(1);
        QVERIFY(cause == RestartCause::kBridging);
        QCOMPARE(text, std::wstring(L"Rebooting...."));
        QCOMPARE(rig.host.sink.queued, Names({kCommandReboot}));
        QCOMPARE(rig.host.progress.StepsShown(), kRestartWaitSteps);
        QCOMPARE(rig.navigation.returns, 1);
        QVERIFY(!rig.page.IsRestartWaitRunning());
    }

    // A bridging the device did not take: the message, the search page, no wait.
    void aFailedBridgingIsSaidAndTheWizardReturnsToTheSearchPage() {
        PageRig rig;
        rig.ShowWithSurvey(Networks());
        rig.List().SelectRow(kOpen);
        Click(rig.page.ConnectButton());
        std::wstring said;
        WhenModal([&rig] { return &rig.host.messages; },
                  [&] {
                      said = rig.host.messages.Message();
                      Click(rig.host.messages.OkButton());
                  });
        rig.host.Answer(kCommandRepeater, 5, "HTTP/1.1 200 OK\r\n\r\n");
        QCOMPARE(said, LoadString(kMsgRepeaterTimeout));
        QCOMPARE(rig.navigation.returns, 1);
        QVERIFY(!rig.page.IsRestartWaitRunning());
        QCOMPARE(rig.host.sink.queued.size(), size_t{2});  // no REBOOT
    }

    void everyControlOfThePageHasAnAccessibleName() {
        PageRig rig;
        rig.ShowWithSurvey(Networks());
        rig.List().SelectRow(kWep);  // the default-key list in view

        // What an accessibility tool finds among the page's children.
        QAccessibleInterface* page = QAccessible::queryAccessibleInterface(&rig.page);
        QCOMPARE(page->text(QAccessible::Name), QStringLiteral("Wireless repeater"));
        std::map<QString, QAccessible::Role> found;
        for (int i = 0; i < page->childCount(); ++i) {
            found.emplace(page->child(i)->text(QAccessible::Name), page->child(i)->role());
        }
        const std::map<QString, QAccessible::Role> expected = {
            {QStringLiteral("Scan"), QAccessible::Button},
            {QStringLiteral("Connect"), QAccessible::Button},
            {QStringLiteral("Networks in range"), QAccessible::Table},
            {QStringLiteral("Network key"), QAccessible::EditableText},
            {QStringLiteral("Current SSID"), QAccessible::StaticText},
            {QStringLiteral("Current security"), QAccessible::StaticText},
            {QStringLiteral("Current IP address"), QAccessible::StaticText},
            {QStringLiteral("Current subnet mask"), QAccessible::StaticText},
            {QStringLiteral("Current gateway"), QAccessible::StaticText},
            {QStringLiteral("Current DNS server"), QAccessible::StaticText},
        };
        for (const auto& [name, role] : expected) {
            QVERIFY2(found.count(name) == 1, qPrintable(name));
            QCOMPARE(found.at(name), role);
        }
        // The key field tells what key the selected network takes.
        QCOMPARE(QAccessible::queryAccessibleInterface(rig.page.KeyField())
                     ->text(QAccessible::Description),
                 QString::fromStdWString(LoadString(kMsgWepKey)));
        // On Linux Qt reads a drop-down list's value as its name ("Key 1"); the name set on
        // it serves the other platforms, the description all of them.
        QCOMPARE(rig.page.DefaultKeyList()->accessibleName(), QStringLiteral("WEP key index"));
        QAccessibleInterface* defaultKey =
            QAccessible::queryAccessibleInterface(rig.page.DefaultKeyList());
        QCOMPARE(defaultKey->role(), QAccessible::ComboBox);
        QCOMPARE(defaultKey->text(QAccessible::Description),
                 QString::fromStdWString(LoadString(kTextSurveyDefaultKeyHelp)));
        // The list's rows read as SSID, security and signal, under the columns' names.
        QAccessibleTableInterface* table =
            QAccessible::queryAccessibleInterface(rig.page.SurveyTable())->tableInterface();
        QVERIFY(table != nullptr);
        QStringList row;
        for (int column = 0; column < table->columnCount(); ++column) {
            const QString text = table->cellAt(kWep, column)->text(QAccessible::Name);
            row << table->columnDescription(column) + QLatin1Char('=') + text;
        }
        QCOMPARE(row.join(QLatin1Char(' ')),
                 QStringLiteral("SSID=Old & Router Encrypt=WEP Signal=41"));
    }
};

QTEST_MAIN(SurveyPageTest)
#include "wireless_page_test.moc"
