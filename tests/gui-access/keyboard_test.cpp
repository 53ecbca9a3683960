// The keyboard alone, on every page: Tab and Shift+Tab in reading order through every
// control, the arrow keys within the menu, the lists and the radio groups, Space to act;
// a search and a Connect, then a page, without the mouse; where the focus goes after a
// Connect, a page change, a message and a wait; and the focus ring that shows it.

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <string>
#include <vector>

#include "controls/ipv4_field.h"
#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "controls/skin_images.h"
#include "controls/skin_radio_button.h"
#include "controls/state_color_label.h"
#include "controls/transparent_label.h"
#include "discovery/discovery_manager.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/device_list_actions.h"
#include "discovery/ui/search_page.h"
#include "platform/time_scale.h"
#include "support/fakes/fake_repeater.h"
#include "support/fakes/fake_shell.h"
#include "support/gui_test_support.h"
#include "support/request_bytes.h"
#include "web/request_catalogue.h"
#include "web/selected_device.h"
#include "window/focus_mark.h"
#include "wizard/ui/firmware_page.h"
#include "wizard/ui/ip_address_page.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/password_page.h"
#include "wizard/ui/reset_page.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/survey_list.h"
#include "wizard/ui/wireless_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

// A key press where the keyboard focus is (nowhere, when no window of ours has it).
void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (QWidget* focused = QApplication::focusWidget()) {
        QTest::keyClick(focused, key, modifiers);
    }
}

QString NameOf(QWidget* widget) {
    if (widget == nullptr) {
        return QStringLiteral("(nothing)");
    }
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// The controls Tab reaches from `first` until it comes round to it again.
std::vector<QWidget*> TabRound(QWidget* first) {
    first->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> round = {QApplication::focusWidget()};
    for (int i = 0; i < 60; ++i) {
        Press(Qt::Key_Tab);
        if (QApplication::focusWidget() == round.front()) {
            break;
        }
        round.push_back(QApplication::focusWidget());
    }
    return round;
}

QStringList Names(const std::vector<QWidget*>& widgets) {
    QStringList names;
    for (QWidget* widget : widgets) {
        names << NameOf(widget);
    }
    return names;
}

// What Tab reaches on every wizard page before the page's own controls.
std::vector<QWidget*> Skin(const SkinnedPage& page) {
    std::vector<QWidget*> skin = {page.MinimizeControl(), page.CloseControl()};
    for (int i = 0; i < kMenuEntryCount; ++i) {
        skin.push_back(page.MenuItem(static_cast<MenuEntry>(i)));
    }
    skin.push_back(page.MacLabel());
    skin.push_back(page.IpLabel());
    return skin;
}

using Wizard = FakeWizardShell;

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
        ForgetLastRepeater();
    }

    // Tab goes round every control of a page in reading order: Minimize and Close, the
    // menu, the connected repeater's values, then the page's own controls row by row;
    // Shift+Tab goes back.
    void tabGoesRoundEveryPageInReadingOrder() {
        Wizard wizard;
        QVERIFY(QTest::qWaitForWindowActive(&wizard.shell.dialog));
        auto expect = [](SkinnedPage& page, const std::vector<QWidget*>& own) {
            std::vector<QWidget*> order = Skin(page);
            order.insert(order.end(), own.begin(), own.end());
            const std::vector<QWidget*> round = TabRound(order.front());
            QCOMPARE(Names(round), Names(order));
            QVERIFY(round == order);
            // Shift+Tab from the first goes round the other way.
            Press(Qt::Key_Tab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), order.back());
            Press(Qt::Key_Tab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), order[order.size() - 2]);
        };

        auto& summary = wizard.Show<SummaryPage>(WizardPageId::kSummary);
        std::vector<QWidget*> values;
        for (int i = 0; i < SummaryPage::kValueCount; ++i) {
            values.push_back(summary.ValueLabel(i));
        }
        // Open web page, at the right of the last value.
        values.push_back(summary.WebPageButton());
        expect(summary, values);
        QVERIFY(!QTest::currentTestFailed());

        auto& ip = wizard.Show<IpAddressPage>(WizardPageId::kIpAddress);
        // The radio group is one stop: its checked button.
        expect(ip, {ip.CurrentAddressLabel(), ip.CurrentMaskLabel(), ip.CurrentDhcpLabel(),
                    ip.AddressField()->OctetEdit(0), ip.MaskField()->OctetEdit(0),
                    ip.StaticIpChoice(), ip.ApplyButton()});
        QVERIFY(!QTest::currentTestFailed());

        auto& wireless = wizard.Show<WirelessPage>(WizardPageId::kWireless);
        wireless.ShowSurvey({{L"6", L"Old Router", L"00:11:22:33:44:06", L"WEP", L" ", L"41", L"AP",
                              L"WEP", L"WEP"}});
        using Value = WirelessPage::StatusValue;
        // Two columns of current values, read row by row.
        expect(wireless,
               {wireless.StatusLabel(Value::kSsid), wireless.StatusLabel(Value::kSubnetMask),
                wireless.StatusLabel(Value::kSecurity), wireless.StatusLabel(Value::kGateway),
                wireless.StatusLabel(Value::kIpAddress), wireless.StatusLabel(Value::kDns),
                wireless.ScanButton(), wireless.SurveyTable(), wireless.KeyField(),
                wireless.DefaultKeyList(), wireless.ConnectButton()});
        QVERIFY(!QTest::currentTestFailed());

        auto& firmware = wizard.Show<FirmwarePage>(WizardPageId::kFirmware);
        expect(firmware, {firmware.VersionLabel(), firmware.FileField(), firmware.BrowseButton(),
                          firmware.ApplyButton()});
        QVERIFY(!QTest::currentTestFailed());

        auto& password = wizard.Show<PasswordPage>(WizardPageId::kPassword);
        expect(password, {password.UserField(), password.CurrentField(), password.NewField(),
                          password.RepeatField(), password.ApplyButton()});
        QVERIFY(!QTest::currentTestFailed());

        auto& reset = wizard.Show<ResetPage>(WizardPageId::kReset);
        expect(reset, {reset.RebootChoice(), reset.ApplyButton()});
    }

    // The arrow keys move within the menu, round it; Space opens the entry's page, where
    // the focus stays on the same entry.
    void theMenuByArrowsAndSpace() {
        Wizard wizard;
        QVERIFY(QTest::qWaitForWindowActive(&wizard.shell.dialog));
        auto& summary = wizard.Show<SummaryPage>(WizardPageId::kSummary);
        summary.MenuItem(MenuEntry::kRepeater)->setFocus(Qt::TabFocusReason);
        Press(Qt::Key_Down);
        Press(Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), summary.MenuItem(MenuEntry::kWireless));
        for (int i = 0; i < 4; ++i) {
            Press(Qt::Key_Up);
        }
        QCOMPARE(QApplication::focusWidget(), summary.MenuItem(MenuEntry::kReset));  // round
        Press(Qt::Key_Up);
        Press(Qt::Key_Space);
        WizardPage& password = *wizard.Frame().Page(WizardPageId::kPassword);
        QVERIFY(password.isVisible() && summary.isHidden());
        QCOMPARE(QApplication::focusWidget(), password.MenuItem(MenuEntry::kPassword));
        // Enter and Escape do nothing: no page is left, nothing closes.
        Press(Qt::Key_Return);
        Press(Qt::Key_Escape);
        QVERIFY(password.isVisible());
        QVERIFY(!wizard.shell.dialog.HasEnded());
        // Locate: the search page, the focus on its own Locate entry.
        password.MenuItem(MenuEntry::kLocate)->setFocus(Qt::TabFocusReason);
        Press(Qt::Key_Space);
        QVERIFY(wizard.shell.Page().isVisible());
        QCOMPARE(QApplication::focusWidget(), wizard.shell.Page().MenuItem(MenuEntry::kLocate));
    }

    // The search page's own controls in reading order: Scan and the result, the address
    // row, the list, the note while it has something to say, and Connect. Enter in the
    // address field searches there, and neither Enter nor Escape ends the page; the list's
    // menu comes by the menu key.
    void theSearchPageByKeyboard() {
        FakeShell shell;
        shell.dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&shell.dialog));
        SearchPage& page = shell.Page();
        QVERIFY(shell.WaitForResult());
        // The menu's other entries are disabled there.
        std::vector<QWidget*> order = {page.MinimizeControl(), page.CloseControl(),
                                       page.MenuItem(MenuEntry::kLocate)};
        // Nothing answered: the note says so, after the list (Connect is disabled).
        std::vector<QWidget*> withNote = order;
        withNote.insert(withNote.end(),
                        {page.ScanButton(), page.ResultLabel(), page.AddressField(),
                         page.SearchAddressButton(), page.DeviceTable(), page.NoteLabel()});
        QCOMPARE(Names(TabRound(withNote.front())), Names(withNote));
        // A repeater answered: the note has nothing to say, and Tab passes no empty line.
        Click(page.ScanButton());
        QVERIFY(shell.Answer({DeviceReply("001a2b000001", "192.168.1.1")},
                             shell.Discovery().broadcasts.size()));
        QVERIFY(shell.WaitForResult());
        order.insert(order.end(),
                     {page.ScanButton(), page.ResultLabel(), page.AddressField(),
                      page.SearchAddressButton(), page.DeviceTable(), page.ConnectButton()});
        QCOMPARE(Names(TabRound(order.front())), Names(order));

        page.AddressField()->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(page.AddressField(), QStringLiteral("10.9.8.7"));
        Press(Qt::Key_Escape);
        QCOMPARE(shell.state.Discovery()->GetRequestCount(), 0);
        Press(Qt::Key_Return);
        QCOMPARE(shell.state.Discovery()->GetRequestCount(), 1);
        QVERIFY(!shell.dialog.HasEnded() && page.isVisible());
        QVERIFY(shell.WaitForResult());

        page.DeviceTable()->setFocus(Qt::TabFocusReason);
        Press(Qt::Key_Menu);
        QTRY_VERIFY(page.ListActions().Menu() != nullptr && page.ListActions().Menu()->isVisible());
        page.ListActions().Menu()->close();
    }

    // A search and a Connect by the keyboard: the list takes the focus with its result,
    // the arrows choose the repeater, Tab reaches Connect and Space presses it; the focus
    // then waits on the summary page's first value.
    void searchAndConnectByKeyboard() {
        time_scale::SetFactor(20);
        FakeShell shell;
        FakeRepeater repeater(
            shell.Web(), [](const std::string&) { return std::string("HTTP/1.1 200 OK\r\n\r\n"); });
        shell.dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&shell.dialog));
        SearchPage& page = shell.Page();
        QVERIFY(shell.Answer({DeviceReply("001a2b000001", "192.168.1.1"),
                              DeviceReply("001a2b000002", "192.168.1.2")}));
        QVERIFY(shell.WaitForResult());
        QCOMPARE(QApplication::focusWidget(), page.DeviceTable());
        Press(Qt::Key_Down);
        QCOMPARE(page.DeviceTable()->SelectedRow(), 1);
        // Then Connect: the note under the list has nothing to say after a search that
        // found repeaters.
        Press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page.ConnectButton());
        Press(Qt::Key_Space);

        QVERIFY(shell.dialog.Wizard() != nullptr && shell.dialog.Wizard()->isVisible());
        QCOMPARE(shell.state.Login().ipAddress, std::wstring(L"192.168.1.2"));
        SummaryPage& summary = *shell.dialog.Wizard()->Summary();
        QTRY_COMPARE(QApplication::focusWidget(), summary.ValueLabel(0));
    }

    // A page by the keyboard alone: the reset page's radio group by the arrows, Apply by
    // Space; the wait sends RESETDEFAULT and REBOOT and ends on the search page, which
    // takes the focus.
    void theResetPageByKeyboard() {
        time_scale::SetFactor(100);
        Wizard wizard;
        FakeRepeater repeater(wizard.shell.Web(), [](const std::string&) {
            return std::string("HTTP/1.1 200 OK\r\n\r\n");
        });
        QVERIFY(QTest::qWaitForWindowActive(&wizard.shell.dialog));
        auto& summary = wizard.Show<SummaryPage>(WizardPageId::kSummary);
        summary.MenuItem(MenuEntry::kRepeater)->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 5; ++i) {
            Press(Qt::Key_Down);
        }
        Press(Qt::Key_Space);
        auto& reset = static_cast<ResetPage&>(*wizard.Frame().Page(WizardPageId::kReset));
        QVERIFY(reset.isVisible());
        for (int i = 0; i < 20 && QApplication::focusWidget() != reset.RebootChoice(); ++i) {
            Press(Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), reset.RebootChoice());
        Press(Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), reset.FactoryResetChoice());
        QVERIFY(reset.FactoryResetChoice()->GetCheck() && !reset.RebootChoice()->GetCheck());
        Press(Qt::Key_Up);  // round the group and back
        Press(Qt::Key_Down);
        QVERIFY(reset.FactoryResetChoice()->GetCheck());
        Press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), reset.ApplyButton());
        Press(Qt::Key_Space);  // returns once the wait has ended

        QVERIFY(wizard.shell.Page().isVisible());
        QTRY_VERIFY(wizard.shell.Page().isAncestorOf(QApplication::focusWidget()));
        const DeviceTarget target = wizard.Frame().Target();
        QTRY_COMPARE(repeater.requests.size(), size_t{2});
        QCOMPARE(repeater.requests[0], Wire(BuildResetDefaultRequest(target)));
        QCOMPARE(repeater.requests[1], Wire(BuildRebootRequest(target)));
    }

    // After a refusal the message box has the focus, Space answers it, and the focus goes
    // where the page puts it.
    void aMessageAnsweredBySpaceHandsTheFocusBack() {
        Wizard wizard;
        QVERIFY(QTest::qWaitForWindowActive(&wizard.shell.dialog));
        auto& password = wizard.Show<PasswordPage>(WizardPageId::kPassword);
        password.CurrentField()->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("wrong"));
        password.ApplyButton()->setFocus(Qt::TabFocusReason);
        MessageBox& box = wizard.Frame().Messages();
        bool okHadTheFocus = false;
        WhenModal([&] { return &box; },
                  [&] {
                      Finally end([&] {
                          if (box.IsModalRunning()) {
                              box.EndDialog(0);
                          }
                      });
                      QTRY_COMPARE(QApplication::focusWidget(), box.OkButton());
                      okHadTheFocus = true;
                      QTest::keyClick(box.OkButton(), Qt::Key_Space);
                  });
        Press(Qt::Key_Space);
        QVERIFY(okHadTheFocus);
        QVERIFY(!box.IsModalRunning());
        QTRY_COMPARE(QApplication::focusWidget(), password.CurrentField());
    }

    // The focused control wears the skin's focus ring just outside it: light outside,
    // the accent colour inside; on the dark title band as on the page.
    void theFocusedControlWearsTheFocusRing() {
        Wizard wizard;
        QVERIFY(QTest::qWaitForWindowActive(&wizard.shell.dialog));
        auto& summary = wizard.Show<SummaryPage>(WizardPageId::kSummary);
        const QImage ring = LoadSkinImage(kFocusRingImageId);
        const QColor outer = ring.pixelColor(0, kFocusRingWidth);
        const QColor inner = ring.pixelColor(kFocusRingWidth - 1, kFocusRingWidth);
        QVERIFY(outer != inner);
        for (QWidget* control : std::vector<QWidget*>{summary.ValueLabel(2), summary.CloseControl(),
                                                      summary.MenuItem(MenuEntry::kFirmware)}) {
            control->setFocus(Qt::TabFocusReason);
            FocusMark* mark = FocusMark::Current();
            QVERIFY(mark != nullptr && mark->isVisible());
            QCOMPARE(mark->widget(), control);
            // In the window's pixels.
            QWidget& window = *summary.window();
            const QRect around =
                QRect(control->mapTo(&window, QPoint(0, 0)), control->size())
                    .adjusted(-kFocusRingWidth, -kFocusRingWidth, kFocusRingWidth, kFocusRingWidth);
            QCOMPARE(QRect(mark->mapTo(&window, QPoint(0, 0)), mark->size()), around);
            const QImage shot = window.grab().toImage();
            const int middle = around.center().y();
            QCOMPARE(shot.pixelColor(around.left(), middle), outer);
            QCOMPARE(shot.pixelColor(around.left() + kFocusRingWidth - 1, middle), inner);
            // The ring lets the mouse through to what lies under it.
            QVERIFY(window.childAt(around.topLeft()) != mark);
        }
        // The MAC address's rectangle reaches into the next row: the ring goes round its
        // line and leaves the firmware version's text alone.
        summary.ValueLabel(0)->setFocus(Qt::TabFocusReason);
        QWidget& window = *summary.window();
        QVERIFY(summary.ValueLabel(0)->geometry().bottom() > summary.ValueLabel(1)->y());
        const QImage shot = window.grab().toImage();
        const QPoint nextRow = summary.ValueLabel(1)->mapTo(&window, QPoint(0, 5));
        // (The ring's light outer edge is the page's white; its inside is the accent.)
        for (int x = nextRow.x() - kFocusRingWidth; x < nextRow.x(); ++x) {
            QVERIFY(shot.pixelColor(x, nextRow.y()) != inner);
        }
        summary.ValueLabel(2)->setFocus(Qt::TabFocusReason);
        QVERIFY(SaveScreenshot(wizard.shell.dialog, QStringLiteral("keyboard_focus_ring")));
        // Outside our windows' controls nothing is marked.
        QApplication::focusWidget()->clearFocus();
        QVERIFY(FocusMark::Current() == nullptr || FocusMark::Current()->isHidden());
    }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
