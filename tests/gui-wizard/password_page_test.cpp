// The password page on its own, over a wizard host of the test's (nothing reaches a
// network): its fields and names, the checks before anything is queued and the messages
// and focus they leave, what Apply queues and what the answer does. Writes a screenshot.

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <string>
#include <vector>

#include "controls/picture_button.h"
#include "controls/transparent_label.h"
#include "page_test_support.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/fakes/fake_wizard_host.h"
#include "support/message_answerer.h"
#include "wizard/ui/password_page.h"

using page_test::Expected;
using page_test::Msg;
using page_test::Sent;

class PasswordPageTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
    }

    void passwordPageFields() {
        ShownPage<PasswordPage> on;
        PasswordPage& page = on.page;
        QCOMPARE(page.UserField()->text(), QStringLiteral("admin"));
        QVERIFY(page.UserField()->isReadOnly());
        for (QLineEdit* field : {page.CurrentField(), page.NewField(), page.RepeatField()}) {
            QCOMPARE(field->echoMode(), QLineEdit::Password);
            QCOMPARE(field->text(), QString());
            // Thirty characters go in; the thirty-first is refused.
            field->setFocus();
            QTest::keyClicks(field, QString(31, QLatin1Char('p')));
            QCOMPARE(field->text(), QString(30, QLatin1Char('p')));
        }
        page_test::ExpectAccessibleNames(
            page, {page.UserField(), page.CurrentField(), page.NewField(), page.RepeatField(),
                   page.ApplyButton()});

        // The hand cursor covers the area the layout gives, its far edges included.
        QVERIFY(on.HandAt(QPoint(214, 186)));
        QVERIFY(on.HandAt(QPoint(214 + 120, 186 + 19)));
        QVERIFY(!on.HandAt(QPoint(214 + 121, 186)));
        QVERIFY(!on.HandAt(QPoint(214, 186 + 20)));

        page.CurrentField()->setText(QStringLiteral("admin"));
        page.NewField()->setText(QStringLiteral("new secret"));
        page.RepeatField()->setText(QStringLiteral("new secret"));
        QVERIFY(SaveScreenshot(page, QStringLiteral("wizard-password")));
    }

    void passwordChecksClearTheFieldsAndFocus_data() {
        QTest::addColumn<QString>("devicePassword");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<int>("message");
        QTest::addColumn<bool>("focusCurrent");
        QTest::newRow("case differs") << "Secret"
                                      << "secret"
                                      << "a"
                                      << "a" << 138 << true;
        QTest::newRow("empty current") << "Secret"
                                       << ""
                                       << "a"
                                       << "a" << 138 << true;
        QTest::newRow("trailing blank") << "Secret"
                                        << "Secret"
                                        << "new"
                                        << "new " << 141 << false;
        QTest::newRow("both empty") << "Secret"
                                    << "Secret"
                                    << ""
                                    << "" << 141 << false;
    }
    void passwordChecksClearTheFieldsAndFocus() {
        QFETCH(QString, devicePassword);
        QFETCH(QString, current);
        QFETCH(QString, fresh);
        QFETCH(QString, repeat);
        QFETCH(int, message);
        QFETCH(bool, focusCurrent);
        ShownPage<PasswordPage> on(
            [&](FakeWizardHost& host) { host.login.password = devicePassword.toStdWString(); });
        PasswordPage& page = on.page;
        MessageAnswerer answerer(&on.host.messages);
        page.CurrentField()->setText(current);
        page.NewField()->setText(fresh);
        page.RepeatField()->setText(repeat);
        Click(page.ApplyButton());

        QCOMPARE(answerer.texts, std::vector<std::wstring>{Msg(message)});
        QVERIFY(on.host.sink.queued.empty());
        for (QLineEdit* field : {page.CurrentField(), page.NewField(), page.RepeatField()}) {
            QCOMPARE(field->text(), QString());
        }
        // The field that gets the keyboard when the page's window is active.
        QCOMPARE(page.window()->focusWidget(),
                 focusCurrent ? page.CurrentField() : page.NewField());
        QVERIFY(page.ApplyButton()->isEnabled());
    }

    void passwordChangeQueuesTheFormAndWaitsForTheAnswer() {
        // An empty device password is matched by an empty current password only.
        ShownPage<PasswordPage> on([](FakeWizardHost& host) { host.login.password.clear(); });
        PasswordPage& page = on.page;
        page.NewField()->setText(QStringLiteral("n\u00e9w p&ss"));
        page.RepeatField()->setText(QStringLiteral("n\u00e9w p&ss"));
        Click(page.ApplyButton());

        QCOMPARE(on.host.sink.queued, std::vector<std::wstring>{L"SETUPPASSWORD"});
        QCOMPARE(on.host.sink.requests.at(0).ToText(),
                 BuildSetupPasswordRequest(on.host.target, L"", L"n\u00e9w p&ss").ToText());
        QVERIFY(!page.ApplyButton()->isEnabled());
        // The fields keep their text after a submit.
        QCOMPARE(page.NewField()->text(), QStringLiteral("n\u00e9w p&ss"));

        // Another command's answer leaves Apply alone; the change's own brings it back
        // and the search page, where the device is connected again.
        on.host.Answer(L"UPLOAD", 4, "HTTP/1.1 200 OK\r\n\r\n");
        QVERIFY(!page.ApplyButton()->isEnabled());
        on.host.Answer(L"SETUPPASSWORD", 4, "HTTP/1.1 200 OK\r\n\r\n");
        QVERIFY(page.ApplyButton()->isEnabled());
        QCOMPARE(on.navigation.returns, 1);

        // Showing the page enables the new-password fields.
        page.NewField()->setEnabled(false);
        page.RepeatField()->setEnabled(false);
        page.ShowWindow(false);
        page.ShowWindow(true);
        QVERIFY(page.NewField()->isEnabled() && page.RepeatField()->isEnabled());
    }
};

QTEST_MAIN(PasswordPageTest)
#include "password_page_test.moc"
