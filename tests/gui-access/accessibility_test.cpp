// What a screen reader finds on every page and dialog, read through the accessibility
// interfaces that Qt's AT-SPI bridge serves (no bus needed): each control's role, name,
// value text, states and actions, the changes of values handed on to the bridge, and
// nothing of what the device list keeps from view.

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <map>
#include <string>
#include <vector>

#include "controls/accessible_controls.h"
#include "controls/ipv4_field.h"
#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "controls/step_picture.h"
#include "discovery/search_target.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/search_page.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/fakes/fake_shell.h"
#include "support/gui_test_support.h"
#include "web/selected_device.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/survey_list.h"
#include "wizard/ui/wireless_page.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_frame.h"

namespace {

QString Text(int id) {
    return QString::fromStdWString(LoadString(id));
}

// What a screen reader is told of one object.
struct Node {
    QAccessible::Role role = QAccessible::NoRole;
    QString value;  // the text interface's text, else the value text
    QAccessible::State state;
    QStringList actions;
};

Node Read(QAccessibleInterface* node) {
    Node read;
    read.role = node->role();
    if (QAccessibleTextInterface* text = node->textInterface()) {
        read.value = text->text(0, text->characterCount());
    } else {
        read.value = node->text(QAccessible::Value);
    }
    read.state = node->state();
    if (QAccessibleActionInterface* actions = node->actionInterface()) {
        read.actions = actions->actionNames();
    }
    return read;
}

// The children of `object` that are shown, by accessible name and role (no two alike: a
// menu entry and a value may share a name).
using Children = std::map<std::pair<QString, QAccessible::Role>, Node>;
Children ShownChildren(QObject* object) {
    Children children;
    QAccessibleInterface* parent = QAccessible::queryAccessibleInterface(object);
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (child == nullptr || child->state().invisible) {
            continue;
        }
        const auto key = std::pair(child->text(QAccessible::Name), child->role());
        if (!children.emplace(key, Read(child)).second) {
            qWarning() << "two children alike:" << key.first;
            children[key].value = QStringLiteral("(not one)");  // fails any comparison
        }
    }
    return children;
}

QAccessibleInterface* Child(QObject* object, const QString& name) {
    QAccessibleInterface* parent = QAccessible::queryAccessibleInterface(object);
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(QAccessible::Name) == name) {
            return parent->child(i);
        }
    }
    return nullptr;
}

// Every text anywhere below `node`: names, values, descriptions, cells' texts.
void CollectTexts(QAccessibleInterface* node, QStringList& texts, int depth = 0) {
    if (node == nullptr || depth > 12) {
        return;
    }
    for (const QAccessible::Text kind :
         {QAccessible::Name, QAccessible::Value, QAccessible::Description}) {
        texts << node->text(kind);
    }
    if (QAccessibleTableInterface* table = node->tableInterface()) {
        for (int column = 0; column < table->columnCount(); ++column) {
            texts << table->columnDescription(column);
        }
    }
    for (int i = 0; i < node->childCount(); ++i) {
        CollectTexts(node->child(i), texts, depth + 1);
    }
}

// The announcements that reach assistive technology.
struct Announcement {
    QAccessible::Event type;
    QString object;  // the object's accessible name
    QString inserted;
    QVariant value;
};
std::vector<Announcement>& Announced() {
    static std::vector<Announcement> announced;
    return announced;
}
void Record(QAccessibleEvent& event) {
    Announcement a{event.type(), {}, {}, {}};
    if (QAccessibleInterface* node = event.accessibleInterface()) {
        a.object = node->text(QAccessible::Name);
    }
    if (event.type() == QAccessible::TextUpdated) {
        a.inserted = static_cast<QAccessibleTextUpdateEvent&>(event).textInserted();
    } else if (event.type() == QAccessible::ValueChanged) {
        a.value = static_cast<QAccessibleValueChangeEvent&>(event).value();
    }
    Announced().push_back(a);
}
bool WasAnnounced(QAccessible::Event type, const QString& object, const QString& inserted) {
    for (const Announcement& a : Announced()) {
        if (a.type == type && a.object == object && a.inserted == inserted) {
            return true;
        }
    }
    return false;
}

// The skin every wizard page shares, as a screen reader reads it.
void ExpectSkin(QWidget* page, const QString& ownEntry) {
    const Children children = ShownChildren(page);
    for (const int id : {kTextMinimize, kTextClose}) {
        const Node& button = children.at({Text(id), QAccessible::Button});
        QVERIFY(button.actions.contains(QAccessibleActionInterface::pressAction()));
        QVERIFY(button.state.focusable);
    }
    for (const int id : {kTextMenuLocate, kTextMenuRepeater, kTextMenuIpAddress, kTextMenuWireless,
                         kTextMenuFirmware, kTextMenuPassword, kTextMenuReset}) {
        const Node& entry = children.at({Text(id), QAccessible::PageTab});
        QVERIFY(entry.actions.contains(QAccessibleActionInterface::pressAction()));
        QCOMPARE(bool(entry.state.selected), Text(id) == ownEntry);
        QVERIFY(entry.state.focusable && !entry.state.disabled);
    }
    QCOMPARE(children.at({Text(kTextDeviceMac), QAccessible::StaticText}).value,
             QStringLiteral("00:1A:2B:3C:4D:5E"));
    QCOMPARE(children.at({Text(kTextDeviceIp), QAccessible::StaticText}).value,
             QStringLiteral("192.168.1.1"));
}

// What a page's own controls read as: role and value text by name.
using Expected = std::vector<std::tuple<QString, QAccessible::Role, QString>>;
void ExpectControls(QWidget* page, const Expected& expected) {
    const Children children = ShownChildren(page);
    for (const auto& [name, role, value] : expected) {
        const auto child = children.find({name, role});
        QVERIFY2(child != children.end(), qPrintable(name));
        if (!value.isNull()) {
            QCOMPARE(child->second.value, value);
        }
    }
}

// The status a device reported at Connect.
DeviceStatus ReportedStatus() {
    DeviceStatus status;
    status.macAddress = L"00:1A:2B:3C:4D:5E";
    status.firmwareVersion = L"1.4.02";
    status.lanIp = L"192.168.1.200";
    status.lanMask = L"255.255.255.0";
    status.dhcpServer = L"Enabled";
    status.mode = L"Repeater";
    status.security = L"WPA2PSK-AES";
    status.wanIp = L"10.0.0.23";
    status.ssid = L"<b>Home</b> & Co";
    status.wanMask = L"255.0.0.0";
    status.gateway = L"10.0.0.1";
    status.dns1 = L"10.0.0.53";
    status.dns2 = L"10.0.0.54";
    return status;
}

// The wizard of a device that reported that status.
struct Wizard : FakeWizardShell {
    Wizard() : FakeWizardShell(ReportedStatus()) {}
};

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    // What the controls hand to the AT-SPI bridge, the test sees too.
    void initTestCase() { SetAnnouncementObserver(Record); }
    void init() {
        DialogWindow::ClearQuitting();
        Announced().clear();
        ForgetLastRepeater();
    }

    void theMainWindowAndTheSearchPage() {
        FakeShell shell;
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&shell.dialog);
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), Text(kTextTitle));

        SearchPage& page = shell.Page();
        QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(&page);
        QCOMPARE(pane->role(), QAccessible::Pane);
        QCOMPARE(pane->text(QAccessible::Name), Text(kTextPageSearch));
        ExpectControls(&page,
                       {{Text(kTextScan), QAccessible::Button, QString()},
                        {Text(kTextConnect), QAccessible::Button, QString()},
                        {Text(kTextDeviceListName), QAccessible::Table, QString()},
                        {Text(kTextSearchResult), QAccessible::StaticText, Text(kTextSearching)},
                        {Text(kTextAddressOrRange), QAccessible::EditableText, QString()},
                        {Text(kTextSearchAddress), QAccessible::Button, QString()}});
        // While the search runs the note has nothing to say: no empty line to find.
        QVERIFY(
            !ShownChildren(&page).contains({Text(kTextSearchNoteName), QAccessible::StaticText}));
        // What the search tools do, read from the string table.
        const Children tools = ShownChildren(&page);
        for (const auto& [name, role, description] :
             {std::tuple(kTextAddressOrRange, QAccessible::EditableText, kTextAddressFieldHelp),
              std::tuple(kTextSearchAddress, QAccessible::Button, kTextSearchAddressHelp),
              std::tuple(kTextDeviceListName, QAccessible::Table, kTextDeviceListHelp)}) {
            QCOMPARE(Child(&page, Text(name))->text(QAccessible::Description), Text(description));
            QVERIFY(tools.at({Text(name), role}).state.focusable);
        }
        // The menu is a picture there: only the page's own entry works.
        const Children children = ShownChildren(&page);
        const Node& locate = children.at({Text(kTextMenuLocate), QAccessible::PageTab});
        QVERIFY(locate.state.selected && !locate.state.disabled);
        QVERIFY(children.at({Text(kTextMenuWireless), QAccessible::PageTab}).state.disabled);
        QVERIFY(children.at({Text(kTextScan), QAccessible::Button}).state.disabled);

        // The result is announced when it is in.
        QVERIFY(shell.Answer({DeviceReply("001a2b000001", "192.168.1.1")}));
        QVERIFY(shell.WaitForResult());
        QVERIFY(
            WasAnnounced(QAccessible::TextUpdated, Text(kTextSearchResult), Text(kTextOneFound)));

        // A refused address: the note tells why, and a screen reader hears it at once.
        page.AddressField()->setText(QStringLiteral("10.0.0.0/21"));
        Click(page.SearchAddressButton());
        const QString reason = QString::fromStdWString(ParseSearchTarget(L"10.0.0.0/21").reason);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(
            ShownChildren(&page).at({Text(kTextSearchNoteName), QAccessible::StaticText}).value,
            reason);
        QVERIFY(WasAnnounced(QAccessible::TextUpdated, Text(kTextSearchNoteName), reason));
    }

    // The list reads cell by cell under its columns' names, and holds nothing of what it
    // keeps for Connect: a device's web login is nowhere to be read.
    void theDeviceListReadsCellByCellAndKeepsTheLoginAway() {
        FakeShell shell;
        ReplyFields first = DeviceReply("001a2b000001", "192.168.1.1");
        ReplyFields second = DeviceReply("001a2b000002", "192.168.1.2");
        for (ReplyFields* device : {&first, &second}) {
            device->user = "operator7";
            device->password = "s3cret-pass";
        }
        QVERIFY(shell.Answer({first, second}));
        QVERIFY(shell.WaitForResult());

        QAccessibleInterface* list =
            QAccessible::queryAccessibleInterface(shell.Page().DeviceTable());
        QAccessibleTableInterface* table = list->tableInterface();
        QVERIFY(table != nullptr);
        QCOMPARE(table->columnCount(), 2);
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->columnDescription(0), Text(kTextMacAddress));
        QCOMPARE(table->columnDescription(1), Text(kTextIpAddress));
        QAccessibleInterface* cell = table->cellAt(1, 1);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("192.168.1.2"));
        QCOMPARE(cell->tableCellInterface()->columnHeaderCells().at(0)->text(QAccessible::Name),
                 Text(kTextIpAddress));
        QVERIFY(table->cellAt(0, 0)->state().selected);  // the first row, selected

        QStringList texts;
        CollectTexts(QAccessible::queryAccessibleInterface(&shell.dialog), texts);
        QVERIFY(texts.contains(QStringLiteral("00:1A:2B:00:00:02")));
        for (const QString& secret : {QStringLiteral("s3cret-pass"), QStringLiteral("operator7")}) {
            for (const QString& text : texts) {
                QVERIFY2(!text.contains(secret), qPrintable(secret));
            }
        }
        // Connect still has the login: the search's find holds it, not the list.
        QCOMPARE(shell.Page().Devices().at(1).password, std::wstring(L"s3cret-pass"));
        QCOMPARE(shell.Page().Devices().at(1).userName, std::wstring(L"operator7"));
    }

    // Every value reads as its text under its caption's name.
    void theSummaryPageReadsEveryValueUnderItsCaption() {
        Wizard wizard;
        WizardPage* page = &wizard.Show(WizardPageId::kSummary);
        QCOMPARE(QAccessible::queryAccessibleInterface(page)->text(QAccessible::Name),
                 Text(kTextPageSummary));
        ExpectSkin(page, Text(kTextMenuRepeater));
        ExpectControls(
            page,
            {{Text(kTextSummaryMac), QAccessible::StaticText, QStringLiteral("00:1A:2B:3C:4D:5E")},
             {Text(kTextSummaryFirmware), QAccessible::StaticText, QStringLiteral("1.4.02")},
             {Text(kTextSummaryLanIp), QAccessible::StaticText, QStringLiteral("192.168.1.200")},
             {Text(kTextSummaryLanMask), QAccessible::StaticText, QStringLiteral("255.255.255.0")},
             {Text(kTextSummaryDhcp), QAccessible::StaticText, QStringLiteral("Enabled")},
             {Text(kTextSummaryMode), QAccessible::StaticText, QStringLiteral("Repeater")},
             {Text(kTextSummarySecurity), QAccessible::StaticText, QStringLiteral("WPA2PSK-AES")},
             {Text(kTextSummaryWanIp), QAccessible::StaticText, QStringLiteral("10.0.0.23")},
             // A device's value reads as itself, markup characters included.
             {Text(kTextSummarySsid), QAccessible::StaticText, QStringLiteral("<b>Home</b> & Co")},
             {Text(kTextSummaryWanMask), QAccessible::StaticText, QStringLiteral("255.0.0.0")},
             {Text(kTextSummaryGateway), QAccessible::StaticText, QStringLiteral("10.0.0.1")},
             {Text(kTextSummaryDns1), QAccessible::StaticText, QStringLiteral("10.0.0.53")},
             {Text(kTextSummaryDns2), QAccessible::StaticText, QStringLiteral("10.0.0.54")},
             {Text(kTextOpenWebPage), QAccessible::Button, QString()}});
        QCOMPARE(Child(page, Text(kTextOpenWebPage))->text(QAccessible::Description),
                 Text(kTextOpenWebPageHelp));
        // The keyboard reaches the values, so a screen reader reads them in turn.
        QVERIFY(ShownChildren(page)
                    .at({Text(kTextSummaryLanIp), QAccessible::StaticText})
                    .state.focusable);

        // A new value is announced as it appears.
        wizard.Status().lanIp = L"192.168.1.77";
        wizard.Frame().Summary()->RefreshStatus();
        QVERIFY(WasAnnounced(QAccessible::TextUpdated, Text(kTextSummaryLanIp),
                             QStringLiteral("192.168.1.77")));
    }

    void theIpAddressPage() {
        Wizard wizard;
        WizardPage* page = &wizard.Show(WizardPageId::kIpAddress);
        QCOMPARE(QAccessible::queryAccessibleInterface(page)->text(QAccessible::Name),
                 Text(kTextPageIpAddress));
        ExpectSkin(page, Text(kTextMenuIpAddress));
        ExpectControls(page, {{Text(kTextCurrentIpAddress), QAccessible::StaticText,
                               QStringLiteral("192.168.1.200")},
                              {Text(kTextCurrentSubnetMask), QAccessible::StaticText,
                               QStringLiteral("255.255.255.0")},
                              {Text(kTextCurrentDhcpServer), QAccessible::StaticText,
                               QStringLiteral("Enabled")},
                              {Text(kTextNewIpAddress), QAccessible::Grouping, QString()},
                              {Text(kTextNewSubnetMask), QAccessible::Grouping, QString()},
                              {Text(kTextAutoIp), QAccessible::RadioButton, QString()},
                              {Text(kTextStaticIp), QAccessible::RadioButton, QString()},
                              {Text(kTextApply), QAccessible::Button, QString()}});
        const Children children = ShownChildren(page);
        QVERIFY(children.at({Text(kTextStaticIp), QAccessible::RadioButton}).state.checked);
        QVERIFY(!children.at({Text(kTextAutoIp), QAccessible::RadioButton}).state.checked);
        // The address fields hold four octet fields each, named after them.
        const Children octets =
            ShownChildren(page->findChild<Ipv4Field*>(QString::number(kIpAddressField)));
        QCOMPARE(octets.size(), size_t{4});
        QCOMPARE(
            octets.at({QStringLiteral("New IP address, octet 1 of 4"), QAccessible::EditableText})
                .value,
            QStringLiteral("0"));
    }

    void theWirelessPage() {
        Wizard wizard;
        auto* page = &wizard.Show<WirelessPage>(WizardPageId::kWireless);
        page->ShowSurvey({{L"6", L"Home Net", L"00:11:22:33:44:06", L"WEP", L" ", L"78", L"AP",
                           L"WEP", L"WEP"}});
        ExpectSkin(page, Text(kTextMenuWireless));
        ExpectControls(
            page,
            {{Text(kTextSurveyCurrentSsid), QAccessible::StaticText,
              QStringLiteral("<b>Home</b> & Co")},
             {Text(kTextSurveyCurrentSecurity), QAccessible::StaticText,
              QStringLiteral("WPA2PSK-AES")},
             {Text(kTextSurveyCurrentIp), QAccessible::StaticText, QStringLiteral("10.0.0.23")},
             {Text(kTextSurveyCurrentMask), QAccessible::StaticText, QStringLiteral("255.0.0.0")},
             {Text(kTextSurveyCurrentGateway), QAccessible::StaticText, QStringLiteral("10.0.0.1")},
             {Text(kTextSurveyCurrentDns), QAccessible::StaticText, QStringLiteral("10.0.0.53")},
             {Text(kTextScan), QAccessible::Button, QString()},
             {Text(kTextConnect), QAccessible::Button, QString()},
             {Text(kTextSurveyListName), QAccessible::Table, QString()},
             {Text(kTextSurveyKeyName), QAccessible::EditableText, QString()}});
        // The key shows as typed: editable text, not a password field.
        QVERIFY(!ShownChildren(page)
                     .at({Text(kTextSurveyKeyName), QAccessible::EditableText})
                     .state.passwordEdit);
        QCOMPARE(QAccessible::queryAccessibleInterface(page->DefaultKeyList())->role(),
                 QAccessible::ComboBox);
        // The networks read as SSID, security and signal, cell by cell.
        QAccessibleTableInterface* table =
            QAccessible::queryAccessibleInterface(page->SurveyTable())->tableInterface();
        QCOMPARE(table->columnCount(), 3);
        QStringList row;
        for (int column = 0; column < table->columnCount(); ++column) {
            row << table->columnDescription(column) + QLatin1Char('=') +
                       table->cellAt(0, column)->text(QAccessible::Name);
        }
        QCOMPARE(row.join(QLatin1Char(' ')), QStringLiteral("SSID=Home Net Encrypt=WEP Signal=78"));
    }

    void theFirmwarePage() {
        Wizard wizard;
        WizardPage* page = &wizard.Show(WizardPageId::kFirmware);
        ExpectSkin(page, Text(kTextMenuFirmware));
        ExpectControls(
            page, {{Text(kTextFirmwareVersion), QAccessible::StaticText, QStringLiteral("1.4.02")},
                   {Text(kTextFirmwareFile), QAccessible::EditableText, QString()},
                   {Text(kTextBrowse), QAccessible::Button, QString()},
                   {Text(kTextApply), QAccessible::Button, QString()}});
        QCOMPARE(QAccessible::queryAccessibleInterface(page->findChild<QProgressBar*>())->role(),
                 QAccessible::ProgressBar);
    }

    // The password fields are password text: what is typed is not read out.
    void thePasswordPage() {
        Wizard wizard;
        WizardPage* page = &wizard.Show(WizardPageId::kPassword);
        ExpectSkin(page, Text(kTextMenuPassword));
        ExpectControls(page,
                       {{Text(kTextUserName), QAccessible::EditableText, Text(kTextPasswordUser)},
                        {Text(kTextCurrentPassword), QAccessible::EditableText, QString()},
                        {Text(kTextNewPassword), QAccessible::EditableText, QString()},
                        {Text(kTextRepeatPassword), QAccessible::EditableText, QString()},
                        {Text(kTextApply), QAccessible::Button, QString()}});
        const Children children = ShownChildren(page);
        const Node& user = children.at({Text(kTextUserName), QAccessible::EditableText});
        QVERIFY(user.state.readOnly && !user.state.passwordEdit);
        for (const int id : {kTextCurrentPassword, kTextNewPassword, kTextRepeatPassword}) {
            QVERIFY(children.at({Text(id), QAccessible::EditableText}).state.passwordEdit);
        }
        page->findChild<QLineEdit*>(QString::number(kPasswordCurrent))
            ->setText(QStringLiteral("s3cret-pass"));
        QStringList texts;
        CollectTexts(QAccessible::queryAccessibleInterface(page), texts);
        QVERIFY(!texts.join(QString()).contains(QStringLiteral("s3cret-pass")));
    }

    void theResetPage() {
        Wizard wizard;
        WizardPage* page = &wizard.Show(WizardPageId::kReset);
        ExpectSkin(page, Text(kTextMenuReset));
        ExpectControls(page, {{Text(kTextReboot), QAccessible::RadioButton, QString()},
                              {Text(kTextFactoryReset), QAccessible::RadioButton, QString()},
                              {Text(kTextApply), QAccessible::Button, QString()}});
        const Children children = ShownChildren(page);
        const Node& reboot = children.at({Text(kTextReboot), QAccessible::RadioButton});
        QVERIFY(reboot.state.checked && reboot.state.checkable);
        QVERIFY(!children.at({Text(kTextFactoryReset), QAccessible::RadioButton}).state.checked);
        QCOMPARE(Child(page, Text(kTextReboot))->text(QAccessible::Description),
                 Text(kTextRebootHint));
    }

    // A menu entry's press action opens its page, as a click does.
    void aMenuEntryPressedByAssistiveTechnologyOpensItsPage() {
        Wizard wizard;
        WizardPage* summary = &wizard.Show(WizardPageId::kSummary);
        QAccessibleInterface* wireless = Child(summary, Text(kTextMenuWireless));
        wireless->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(wizard.Frame().Page(WizardPageId::kWireless)->isVisible());
        QVERIFY(summary->isHidden());
    }

    // The message box is an alert that reads its text; OK has the keyboard and presses.
    void theMessageBoxIsAnAlertWithItsText() {
        Wizard wizard;
        MessageBox& box = wizard.Frame().Messages();
        bool checked = false;
        WhenModal([&] { return &box; },
                  [&] {
                      Finally end([&] {
                          if (box.IsModalRunning()) {
                              box.EndDialog(0);
                          }
                      });
                      QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(&box);
                      QCOMPARE(alert->role(), QAccessible::AlertMessage);
                      QCOMPARE(alert->text(QAccessible::Name), Text(kTextMessageTitle));
                      QAccessibleInterface* text =
                          QAccessible::queryAccessibleInterface(box.TextControl());
                      QCOMPARE(text->role(), QAccessible::StaticText);
                      QCOMPARE(text->text(QAccessible::Name), Text(kMsgRepeaterTimeout));
                      QAccessibleInterface* ok = Child(&box, Text(kTextOk));
                      QCOMPARE(ok->role(), QAccessible::Button);
                      QVERIFY(ok->state().focusable);
                      QCOMPARE(box.focusWidget(), box.OkButton());
                      checked = true;
                      ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                  });
        QCOMPARE(box.ShowMessage(kMsgRepeaterTimeout), MessageBox::kOk);
        QVERIFY(checked);
    }

    // The progress dialog is a dialog with its text and a progress bar of its steps.
    void theProgressDialogShowsItsProgress() {
        Wizard wizard;
        ProgressDialog& progress = wizard.Frame().Progress();
        bool checked = false;
        WhenModal([&] { return &progress; },
                  [&] {
                      Finally end([&] { progress.EndDialog(0); });
                      QAccessibleInterface* dialog =
                          QAccessible::queryAccessibleInterface(&progress);
                      QCOMPARE(dialog->role(), QAccessible::Dialog);
                      QCOMPARE(dialog->text(QAccessible::Name), Text(kTextProgressTitle));
                      QCOMPARE(QAccessible::queryAccessibleInterface(progress.TextControl())
                                   ->text(QAccessible::Name),
                               QStringLiteral("Loading...."));
                      QAccessibleInterface* bar = Child(&progress, Text(kTextProgressStep));
                      QCOMPARE(bar->role(), QAccessible::ProgressBar);
                      QAccessibleValueInterface* value = bar->valueInterface();
                      QCOMPARE(value->currentValue().toInt(), 0);
                      QCOMPARE(value->minimumValue().toInt(), 0);
                      QCOMPARE(value->maximumValue().toInt(), 10);
                      progress.ShowProgressStep(3);
                      QCOMPARE(value->currentValue().toInt(), 3);
                      bool announced = false;
                      for (const Announcement& a : Announced()) {
                          announced = announced ||
                                      (a.type == QAccessible::ValueChanged &&
                                       a.object == Text(kTextProgressStep) && a.value.toInt() == 3);
                      }
                      QVERIFY(announced);
                      checked = true;
                  });
        progress.Run(L"Loading....");
        QVERIFY(checked);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
