// The reset page on its own, over a host that records what it queues (nothing reaches a
// network): layout, names, the choices' click areas, what Apply sends for each choice and
// the restart wait on the program's time. Writes screenshots to the artefacts folder.

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
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/reset_page.h"
#include "wizard/ui/wizard_layout.h"

using page_test::Expected;
using page_test::Msg;
using page_test::Queued;
using page_test::Sent;

class ResetPageTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
    }

    // Each control carries a name for assistive technology.
    void everyControlHasAnAccessibleName() {
        ShownPage<ResetPage> reset;
        for (QWidget* control : {static_cast<QWidget*>(reset.page.RebootChoice()),
                                 static_cast<QWidget*>(reset.page.FactoryResetChoice()),
                                 static_cast<QWidget*>(reset.page.ApplyButton())}) {
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }

    // Apply with Reboot queues REBOOT alone, with Factory Reset RESETDEFAULT first; both
    // wait eleven ticks and end on the search page.
    void resetAppliesTheSelectedChoice() {
        time_scale::SetFactor(1000);
        ShownPage<ResetPage> reset;
        ResetPage& page = reset.page;
        QCOMPARE(page.RebootChoice()->geometry(), ToQRect(kResetRebootRect));
        QCOMPARE(page.FactoryResetChoice()->geometry(), ToQRect(kResetFactoryRect));
        QCOMPARE(page.ApplyButton()->geometry(), ToQRect(kResetApplyRect));
        QVERIFY(page.RebootChoice()->text().isEmpty() &&
                page.FactoryResetChoice()->text().isEmpty());
        QVERIFY(SaveScreenshot(reset.frame, QStringLiteral("page_reset")));

        Click(page.ApplyButton());
        std::vector<Queued> expected = {
            Expected(kCommandReboot, BuildRebootRequest(reset.host.target))};
        QCOMPARE(Sent(reset.host.sink), expected);
        QCOMPARE(reset.host.progress.StepsShown(), kRestartWaitSteps);
        QCOMPARE(reset.host.progress.ProgressText(), std::wstring(kRebootingText));
        QCOMPARE(reset.navigation.returns, 1);
        QVERIFY(!page.IsRestartWaitRunning());

        reset.host.sink = RecordingSink();
        Click(page.FactoryResetChoice());
        QVERIFY(!page.RebootChoice()->GetCheck());
        Click(page.ApplyButton());
        expected = {Expected(kCommandResetDefault, BuildResetDefaultRequest(reset.host.target)),
                    Expected(kCommandReboot, BuildRebootRequest(reset.host.target))};
        QCOMPARE(Sent(reset.host.sink), expected);
        QCOMPARE(reset.host.progress.StepsShown(), kRestartWaitSteps);
        QCOMPARE(reset.navigation.returns, 2);
    }

    // A press on a caption selects its own choice, the edges of the areas included, and a
    // second press on "Reboot" never turns into a factory reset; every show starts with
    // Reboot again.
    void resetCaptionsSelectTheirOwnChoiceAndEveryShowStartsWithReboot() {
        ShownPage<ResetPage> reset;
        ResetPage& page = reset.page;
        auto factorySelected = [&] {
            return page.FactoryResetChoice()->GetCheck() && !page.RebootChoice()->GetCheck();
        };
        auto rebootSelected = [&] {
            return page.RebootChoice()->GetCheck() && !page.FactoryResetChoice()->GetCheck();
        };
        const QPoint rebootCaption(300, 174);
        const QPoint factoryCaption(320, 219);
        QVERIFY(rebootSelected());
        reset.Press(rebootCaption);
        QVERIFY(rebootSelected());
        reset.Press(factoryCaption);
        QVERIFY(factorySelected());
        reset.Press(factoryCaption);
        QVERIFY(factorySelected());
        reset.Press(QPoint(340, 184));  // the Reboot area's far corner
        QVERIFY(rebootSelected());
        reset.Press(QPoint(375, 229));  // the Factory Reset area's far corner
        QVERIFY(factorySelected());
        for (const QPoint outside : {QPoint(341, 174), QPoint(300, 185), QPoint(376, 219),
                                     QPoint(279, 174), QPoint(300, 200)}) {
            reset.Press(outside);
            QVERIFY(factorySelected());
        }
        QVERIFY(SaveScreenshot(reset.frame, QStringLiteral("page_reset_factory")));

        reset.Reshow();
        QVERIFY(rebootSelected());

        QVERIFY(reset.HandAt(QPoint(340, 184)));
        QVERIFY(reset.HandAt(QPoint(280, 210)));
        QVERIFY(!reset.HandAt(QPoint(341, 174)));
        QVERIFY(!reset.HandAt(QPoint(376, 229)));
        QVERIFY(!reset.HandAt(QPoint(300, 300)));
    }
};

QTEST_MAIN(ResetPageTest)
#include "reset_page_test.moc"
