// The IP address page on its own, over a host that records what it queues (nothing
// reaches a network): layout and show rules, the address checks and where they put the
// focus, the choices' click areas, what Apply sends and the restart wait on the program's
// time. Writes screenshots to the artefacts folder.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <optional>
#include <string>
#include <vector>

#include "controls/ipv4_field.h"
#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "controls/skin_radio_button.h"
#include "page_test_support.h"
#include "platform/ansi_text.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/fakes/fake_wizard_host.h"
#include "support/gui_test_support.h"
#include "support/message_answerer.h"
#include "web/device_commands.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "window/control_layout.h"
#include "wizard/page_choices.h"
#include "wizard/ui/ip_address_page.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/wizard_layout.h"

using page_test::Expected;
using page_test::Msg;
using page_test::Queued;
using page_test::Sent;

class IpAddressPageTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
    }

    // Every show: the fields start again from 0.0.0.0 and 255.255.255.0 and the current
    // settings are read again; the DHCP choice is Static IP at the first show and stays
    // as the user left it after that.
    void ipPageStartsFreshAtEveryShow() {
        ShownPage<IpAddressPage> ip([](FakeWizardHost& host) {
            host.status.lanIp = L"192.168.1.1";
            host.status.lanMask = L"255.255.255.0";
            host.status.dhcpServer = L"<Enabled>";
        });
        IpAddressPage& page = ip.page;
        QCOMPARE(page.AddressField()->Text(), std::wstring(L"0.0.0.0"));
        QCOMPARE(page.MaskField()->Text(), std::wstring(L"255.255.255.0"));
        QCOMPARE(page.CurrentAddressLabel()->WindowText(), std::wstring(L"192.168.1.1"));
        QCOMPARE(page.CurrentMaskLabel()->WindowText(), std::wstring(L"255.255.255.0"));
        // A device value shows as itself, not as markup.
        QCOMPARE(page.CurrentDhcpLabel()->WindowText(), std::wstring(L"&lt;Enabled&gt;"));
        QVERIFY(page.StaticIpChoice()->GetCheck() && !page.AutoIpChoice()->GetCheck());
        QVERIFY(page.AddressField()->isEnabled() && page.MaskField()->isEnabled());
        QVERIFY(page.ApplyButton()->isEnabled());
        QCOMPARE(page.AddressField()->geometry(), ToQRect(kIpAddressFieldRect));
        QCOMPARE(page.MaskField()->geometry(), ToQRect(kIpMaskFieldRect));
        QCOMPARE(page.AutoIpChoice()->geometry(), ToQRect(kIpAutoRadioRect));
        QCOMPARE(page.StaticIpChoice()->geometry(), ToQRect(kIpStaticRadioRect));
        QCOMPARE(page.ApplyButton()->geometry(), ToQRect(kIpApplyRect));
        QVERIFY(page.AutoIpChoice()->text().isEmpty());
        QVERIFY(SaveScreenshot(ip.frame, QStringLiteral("page_ipaddress")));

        page.AddressField()->SetAddress(L"10.0.0.7");
        page.MaskField()->SetAddress(L"255.0.0.0");
        Click(page.AutoIpChoice());
        ip.host.status.lanIp = L"10.0.0.7";
        ip.Reshow();
        QCOMPARE(page.AddressField()->Text(), std::wstring(L"0.0.0.0"));
        QCOMPARE(page.MaskField()->Text(), std::wstring(L"255.255.255.0"));
        QCOMPARE(page.CurrentAddressLabel()->WindowText(), std::wstring(L"10.0.0.7"));
        QVERIFY(page.AutoIpChoice()->GetCheck() && !page.StaticIpChoice()->GetCheck());
    }

    // Each control carries a name for assistive technology.
    void everyControlHasAnAccessibleName() {
        ShownPage<IpAddressPage> ip;
        const QList<QWidget*> controls = {
            ip.page.AutoIpChoice(),        ip.page.StaticIpChoice(),   ip.page.ApplyButton(),
            ip.page.CurrentAddressLabel(), ip.page.CurrentMaskLabel(), ip.page.CurrentDhcpLabel(),
        };
        for (QWidget* control : controls) {
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
        QCOMPARE(ip.page.AddressField()->OctetEdit(0)->accessibleName(),
                 QStringLiteral("New IP address, octet 1 of 4"));
        QCOMPARE(ip.page.MaskField()->OctetEdit(3)->accessibleName(),
                 QStringLiteral("New subnet mask, octet 4 of 4"));
        QVERIFY(ip.page.AutoIpChoice()->accessibleName() !=
                ip.page.StaticIpChoice()->accessibleName());
    }

    // A refused address names what is wrong, puts the focus on the octet to correct and
    // sends nothing; Apply stays usable.
    void refusedAddressesSendNothingAndFocusTheOctetToCorrect() {
        struct Case {
            const wchar_t* ip;
            const wchar_t* mask;
            int message;
            bool maskField;
            int octet;
        };
        // One of each refusal; input_rules_test has the edge cases of the rules.
        const Case cases[] = {
            {L"0.1.2.3", L"255.255.255.0", kMsgIpFirstOctet, false, 0},
            {L"", L"255.255.255.0", kMsgIpFirstOctet, false, 0},  // a blank field reads 0
            {L"192.168.2.255", L"255.255.255.0", kMsgIpLastOctet, false, 3},
            {L"192.168.2.1", L"255.0.255.0", kMsgSubnetMask, true, 0},
        };
        ShownPage<IpAddressPage> ip;
        IpAddressPage& page = ip.page;
        for (const Case& c : cases) {
            page.AddressField()->SetAddress(c.ip);
            page.MaskField()->SetAddress(c.mask);
            page.ApplyButton()->setFocus();
            const std::wstring shown = ip.MessageFrom([&] { Click(page.ApplyButton()); });
            QCOMPARE(shown, LoadString(c.message));
            Ipv4Field& field = c.maskField ? *page.MaskField() : *page.AddressField();
            QCOMPARE(page_test::FocusedOctet(field), c.octet);
            QVERIFY(ip.host.sink.queued.empty());
            QVERIFY(page.ApplyButton()->isEnabled());
        }
        // The last ones typed as a user would, into the fields shown after a new show.
        ip.Reshow();
        QVERIFY(QTest::qWaitForWindowActive(&ip.frame));
        page.AddressField()->SetFocusOnOctet(0);
        QTest::keyClicks(page.AddressField()->OctetEdit(0), QStringLiteral("0.10.20.30"));
        const std::wstring shown = ip.MessageFrom([&] { Click(page.ApplyButton()); });
        QCOMPARE(shown, LoadString(kMsgIpFirstOctet));
        QCOMPARE(page_test::FocusedOctet(*page.AddressField()), 0);
        QCOMPARE(page.AddressField()->Text(), std::wstring(L"0.10.20.30"));
        QVERIFY(ip.host.sink.queued.empty());
    }

    // Each choice's caption selects that choice; the string table's areas alone would
    // give the Static IP caption to Auto IP. The hand shows where a press selects.
    void eachCaptionSelectsItsOwnChoice() {
        ShownPage<IpAddressPage> ip;
        IpAddressPage& page = ip.page;
        const QPoint autoCaption(425, 404);  // "On", right of the Auto IP radio
        const QPoint staticCaption(500, 404);
        QVERIFY(page.StaticIpChoice()->GetCheck());
        ip.Press(autoCaption);
        QVERIFY(page.AutoIpChoice()->GetCheck() && !page.StaticIpChoice()->GetCheck());
        ip.Press(staticCaption);
        QVERIFY(page.StaticIpChoice()->GetCheck() && !page.AutoIpChoice()->GetCheck());
        ip.Press(QPoint(449, 414));  // the Auto IP area's last pixel
        QVERIFY(page.AutoIpChoice()->GetCheck());
        ip.Press(QPoint(605, 414));  // the Static IP area's far corner
        QVERIFY(page.StaticIpChoice()->GetCheck());
        // Nothing changes outside the areas, on either side of the strip or beyond it.
        for (const QPoint outside :
             {QPoint(650, 404), QPoint(500, 394), QPoint(500, 415), QPoint(379, 404)}) {
            ip.Press(outside);
            QVERIFY(page.StaticIpChoice()->GetCheck() && !page.AutoIpChoice()->GetCheck());
        }
        // Any button: the right one too.
        QTest::mousePress(&page, Qt::RightButton, {}, autoCaption);
        QVERIFY(page.AutoIpChoice()->GetCheck());
        // The radio button itself.
        Click(page.StaticIpChoice());
        QVERIFY(page.StaticIpChoice()->GetCheck() && !page.AutoIpChoice()->GetCheck());

        QVERIFY(ip.HandAt(autoCaption));
        QVERIFY(ip.HandAt(staticCaption));
        QVERIFY(ip.HandAt(QPoint(605, 414)));
        QVERIFY(!ip.HandAt(QPoint(606, 404)));
        QVERIFY(!ip.HandAt(QPoint(300, 300)));
        QVERIFY(ip.HandAt(autoCaption));
    }

    // Apply sends the checked address with the DHCP mode of the choice and stays
    // disabled until the device answers; whatever it answers (it may move to its new
    // address at once), Apply comes back and the restart wait reboots the device and ends
    // on the search page after eleven ticks.
    void applySendsTheAddressAndItsAnswerRunsTheRestartWait() {
        ShownPage<IpAddressPage> ip;
        IpAddressPage& page = ip.page;
        page.AddressField()->SetAddress(L"192.168.1.50");
        Click(page.ApplyButton());
        std::vector<Queued> expected = {Expected(
            kCommandSetupIpAddress,
            BuildSetupIpAddressRequest(ip.host.target, L"192.168.1.50", L"255.255.255.0", L"0"))};
        QCOMPARE(Sent(ip.host.sink), expected);
        QVERIFY(!page.ApplyButton()->isEnabled());
        ip.host.Answer(kCommandUpload, 4, "HTTP/1.1 200 OK\r\n\r\n");  // another command's
        QVERIFY(!page.ApplyButton()->isEnabled());

        time_scale::SetFactor(1000);
        std::optional<RestartCause> cause;
        bool applyDuringWait = false;
        WhenModal([&] { return &ip.host.progress; },
                  [&] {
                      cause = page.RunningRestartWait();
                      applyDuringWait = page.ApplyButton()->isEnabled();
                  });
        ip.host.Answer(kCommandSetupIpAddress, 5, "");
        time_scale::SetFactor(1);
        QVERIFY(cause == RestartCause::kLanAddressChange);
        QVERIFY(applyDuringWait);
        expected.push_back(Expected(kCommandReboot, BuildRebootRequest(ip.host.target)));
        QCOMPARE(Sent(ip.host.sink), expected);
        QCOMPARE(ip.host.progress.StepsShown(), kRestartWaitSteps);
        QCOMPARE(ip.host.progress.ProgressText(), std::wstring(kRebootingText));
        QCOMPARE(ip.navigation.returns, 1);
        QVERIFY(!page.IsRestartWaitRunning());

        // Auto IP turns the DHCP server on; a blank octet goes out as the 0 it was
        // checked as, never as an empty field.
        ip.Press(QPoint(425, 404));
        page.AddressField()->SetAddress(L"10..0.7");
        page.MaskField()->SetAddress(L"255.0.0.0");
        Click(page.ApplyButton());
        expected.push_back(
            Expected(kCommandSetupIpAddress,
                     BuildSetupIpAddressRequest(ip.host.target, L"10.0.0.7", L"255.0.0.0", L"2")));
        QCOMPARE(Sent(ip.host.sink), expected);
    }

    // Hiding the page during the wait stops its ticks: the wait goes no further.
    void hidingTheIpPageStopsItsWait() {
        time_scale::SetFactor(1000);
        ShownPage<IpAddressPage> ip;
        ip.page.AddressField()->SetAddress(L"192.168.1.50");
        Click(ip.page.ApplyButton());
        WhenModal([&] { return &ip.host.progress; },
                  [&] {
                      ip.page.ShowWindow(false);
                      QVERIFY(!ip.page.IsRestartWaitRunning());
                      QTest::qWait(50);  // 50 s of the program's time
                      QCOMPARE(ip.host.progress.StepsShown(), std::vector<int>{0});
                      ip.host.progress.EndDialog(0);
                  });
        ip.host.Answer(kCommandSetupIpAddress, 4, "HTTP/1.1 200 OK\r\n\r\n");
        QCOMPARE(ip.navigation.returns, 0);
    }
};

QTEST_MAIN(IpAddressPageTest)
#include "ip_address_page_test.moc"
