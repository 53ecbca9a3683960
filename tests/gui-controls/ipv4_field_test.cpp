// Ipv4Field driven through the keyboard, the clipboard and the mouse the way a user
// drives it: every key goes to whichever octet has the focus at that moment.

#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include "controls/ipv4_field.h"

namespace {

// A window with a line edit before and after the field, so Tab has somewhere to go.
struct Form {
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    Ipv4Field* field = new Ipv4Field(&window);
    QLineEdit* after = new QLineEdit(&window);

    Form() {
        window.resize(300, 120);
        before->setGeometry(50, 5, 200, 23);
        field->setGeometry(50, 40, 200, 23);
        after->setGeometry(50, 75, 200, 23);
    }
};

bool Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

QWidget* Focus() {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) {
        qFatal("no widget has the keyboard focus");
    }
    return focus;
}

void Type(const char* keys) {
    for (const char* key = keys; *key; ++key) {
        QTest::keyClick(Focus(), *key);
    }
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focus(), key, modifiers);
}

int FocusedOctet(const Ipv4Field& field) {
    for (int i = 0; i < Ipv4Field::kOctetCount; ++i) {
        if (field.OctetEdit(i)->hasFocus()) {
            return i;
        }
    }
    return -1;
}

QString Shown(const Ipv4Field& field, int octet) {
    return field.OctetEdit(octet)->text();
}
QString Selected(const Ipv4Field& field, int octet) {
    return field.OctetEdit(octet)->selectedText();
}
QString Clipboard() {
    return QApplication::clipboard()->text();
}

bool Save(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAMSEL_ARTEFACT_DIR));
    return widget.grab().save(QStringLiteral(TAMSEL_ARTEFACT_DIR "/%1.png").arg(name));
}

}  // namespace

class Ipv4FieldTest : public QObject {
    Q_OBJECT

private slots:
    void typingFillsTheOctetsInTurn() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->setFocus();
        Type("192.168.1.254");
        QCOMPARE(form.field->Text(), std::wstring(L"192.168.1.254"));
        QCOMPARE(form.field->Octets(), (std::array<int, 4>{192, 168, 1, 254}));
        QCOMPARE(FocusedOctet(*form.field), 3);

        // Three digits move on by themselves; the dot typed after them is not a second move.
        form.field->Clear();
        form.field->SetFocusOnOctet(0);
        Type("192168001001");
        QCOMPARE(form.field->Text(), std::wstring(L"192.168.1.1"));

        form.field->Clear();
        form.field->SetFocusOnOctet(0);
        Type("1234");
        QCOMPARE(form.field->Text(), std::wstring(L"123.4.."));
        QCOMPARE(FocusedOctet(*form.field), 1);

        // Letters and other signs never get in.
        form.field->Clear();
        form.field->SetFocusOnOctet(0);
        Type("1a-2/");
        QCOMPARE(Shown(*form.field, 0), QStringLiteral("12"));
    }

    void typingOverAnAddressReplacesOctetByOctet() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetAddress(L"10.20.30.40");
        form.field->SetFocusOnOctet(0);
        Type("192.168.1.254");
        QCOMPARE(form.field->Text(), std::wstring(L"192.168.1.254"));

        // A dot or a space moves on from an octet with digits and selects the next one's.
        form.field->SetAddress(L"10.20.30.40");
        form.field->SetFocusOnOctet(0);
        Type("7 8.");
        QCOMPARE(form.field->Text(), std::wstring(L"7.8.30.40"));
        QCOMPARE(FocusedOctet(*form.field), 2);
        QCOMPARE(Selected(*form.field, 2), QStringLiteral("30"));

        // In a blank octet a dot goes nowhere.
        form.field->Clear();
        form.field->SetFocusOnOctet(0);
        Type("..");
        QCOMPARE(FocusedOctet(*form.field), 0);
    }

    void valuesAboveTheLimitBecome255() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetFocusOnOctet(0);
        Type("300");
        QCOMPARE(Shown(*form.field, 0), QStringLiteral("255"));
        QCOMPARE(FocusedOctet(*form.field), 1);

        form.field->SetFocusOnOctet(3);
        Type("999");
        QCOMPARE(Shown(*form.field, 3), QStringLiteral("255"));
        QCOMPARE(FocusedOctet(*form.field), 3);
        QCOMPARE(form.field->Octets()[3], 255);
    }

    void leadingZerosGoWhenTheOctetIsLeft() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetFocusOnOctet(1);
        Type("01");
        QCOMPARE(Shown(*form.field, 1), QStringLiteral("01"));  // as typed, so far
        QCOMPARE(form.field->Text(), std::wstring(L".1.."));
        form.after->setFocus();
        QCOMPARE(Shown(*form.field, 1), QStringLiteral("1"));
    }

    void backspaceAndArrowsStepOverTheDots() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetFocusOnOctet(0);
        Type("192.16");
        Press(Qt::Key_Backspace);
        Press(Qt::Key_Backspace);
        QCOMPARE(Shown(*form.field, 1), QString());
        Press(Qt::Key_Backspace);  // at the octet's start: the previous octet's last digit
        QCOMPARE(FocusedOctet(*form.field), 0);
        QCOMPARE(form.field->Text(), std::wstring(L"19..."));
        QCOMPARE(form.field->OctetEdit(0)->cursorPosition(), 2);

        form.field->SetAddress(L"192.168.1.254");
        form.field->SetFocusOnOctet(1);
        Press(Qt::Key_Left);  // a selection collapses to its start first
        QCOMPARE(form.field->OctetEdit(1)->cursorPosition(), 0);
        QCOMPARE(Selected(*form.field, 1), QString());
        Press(Qt::Key_Left);
        QCOMPARE(FocusedOctet(*form.field), 0);
        QCOMPARE(form.field->OctetEdit(0)->cursorPosition(), 3);
        Press(Qt::Key_Right);
        QCOMPARE(FocusedOctet(*form.field), 1);
        QCOMPARE(form.field->OctetEdit(1)->cursorPosition(), 0);
        Press(Qt::Key_Delete);
        QCOMPARE(Shown(*form.field, 1), QStringLiteral("68"));
    }

    void homeEndAndShiftSelectAcrossTheAddress() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetAddress(L"192.168.1.254");
        form.field->SetFocusOnOctet(1);
        Press(Qt::Key_Left);
        Press(Qt::Key_Right);  // caret after the "1" of 168
        Press(Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(Selected(*form.field, 0), QString());
        QCOMPARE(Selected(*form.field, 1), QStringLiteral("68"));
        QCOMPARE(Selected(*form.field, 2), QStringLiteral("1"));
        QCOMPARE(Selected(*form.field, 3), QStringLiteral("254"));
        QCOMPARE(FocusedOctet(*form.field), 3);
        Press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard(), QStringLiteral("68.1.254"));

        // Shift+Home keeps the anchor after the "1" and selects back to the start.
        Press(Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(FocusedOctet(*form.field), 0);
        Press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard(), QStringLiteral("192.1"));
        QCOMPARE(Selected(*form.field, 3), QString());

        Press(Qt::Key_End);
        QCOMPARE(FocusedOctet(*form.field), 3);
        QCOMPARE(form.field->OctetEdit(3)->cursorPosition(), 3);
        QCOMPARE(Selected(*form.field, 0), QString());
        Press(Qt::Key_Home);
        QCOMPARE(FocusedOctet(*form.field), 0);
        QCOMPARE(form.field->OctetEdit(0)->cursorPosition(), 0);

        // Ctrl+A, then typing replaces the whole address.
        Press(Qt::Key_A, Qt::ControlModifier);
        Press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard(), QStringLiteral("192.168.1.254"));
        Type("10");
        QCOMPARE(form.field->Text(), std::wstring(L"10..."));
    }

    void pasteFillsTheAddressOrTheOctet() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetFocusOnOctet(0);
        QApplication::clipboard()->setText(QStringLiteral(" 10.0.0.1\n"));
        Press(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form.field->Text(), std::wstring(L"10.0.0.1"));
        QCOMPARE(FocusedOctet(*form.field), 3);

        form.field->SetFocusOnOctet(2);
        QApplication::clipboard()->setText(QStringLiteral("25"));
        Press(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form.field->Text(), std::wstring(L"10.0.25.1"));

        for (const char* refused : {"1.2.3", "256.1.1.1", "1.2.3.4.5", "abc", "1234", "", " "}) {
            form.field->SetFocusOnOctet(2);
            QApplication::clipboard()->setText(QString::fromLatin1(refused));
            Press(Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(form.field->Text(), std::wstring(L"10.0.25.1"));
            QCOMPARE(Selected(*form.field, 2), QStringLiteral("25"));
        }

        // Cut of everything leaves the dotted text behind on the clipboard.
        Press(Qt::Key_A, Qt::ControlModifier);
        Press(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(Clipboard(), QStringLiteral("10.0.25.1"));
        QCOMPARE(form.field->Text(), std::wstring(L"..."));
        Press(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form.field->Text(), std::wstring(L"10.0.25.1"));

        // The octets' context menu pastes into the whole field as well.
        QApplication::clipboard()->setText(QStringLiteral("172.16.0.9"));
        QString offered;
        QTimer::singleShot(0, [&offered] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) {
                    continue;
                }
                offered += action->text() + (action->isEnabled() ? u'+' : u'-');
                if (action->text() == QLineEdit::tr("&Paste")) {
                    action->trigger();
                }
            }
            menu->close();
        });
        QLineEdit* second = form.field->OctetEdit(1);
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2),
                                second->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(second, &click);
        QCOMPARE(offered, QStringLiteral("Cu&t-&Copy-&Paste+Delete-Select All+"));
        QCOMPARE(form.field->Text(), std::wstring(L"172.16.0.9"));
    }

    void focusCanBePutOnOneOctet() {
        Form form;
        QVERIFY(Activate(form.window));
        form.before->setFocus();
        form.field->SetAddress(L"192.168.1.254");
        form.field->SetFocusOnOctet(3);
        QCOMPARE(FocusedOctet(*form.field), 3);
        QCOMPARE(Selected(*form.field, 3), QStringLiteral("254"));
        Type("7");
        QCOMPARE(form.field->Text(), std::wstring(L"192.168.1.7"));

        form.field->SetAddress(L"192..1.");
        form.field->SetFocusOnOctet(4);  // no such octet: the first blank one
        QCOMPARE(FocusedOctet(*form.field), 1);
    }

    void blankOctetsReadZero() {
        Ipv4Field field;
        QVERIFY(field.SetAddress(L"192..1."));
        QCOMPARE(field.Text(), std::wstring(L"192..1."));
        QCOMPARE(field.Octets(), (std::array<int, 4>{192, 0, 1, 0}));
        QVERIFY(field.IsBlank(1));
        QVERIFY(!field.IsBlank(2));
        QCOMPARE(Shown(field, 1), QString());

        QVERIFY(!field.SetAddress(L"1.2.3"));
        QCOMPARE(field.Text(), std::wstring(L"..."));
        QCOMPARE(field.Octets(), (std::array<int, 4>{0, 0, 0, 0}));

        field.SetAddress(L"255.255.255.0");
        field.Clear();
        QVERIFY(field.IsBlank(0) && field.IsBlank(3));
    }

    void tabLeavesTheFieldFromAnyOctet() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetAddress(L"192.168.1.254");
        form.before->setFocus();
        Press(Qt::Key_Tab);
        QCOMPARE(FocusedOctet(*form.field), 0);
        QCOMPARE(Selected(*form.field, 0), QStringLiteral("192"));
        Press(Qt::Key_Tab);
        QVERIFY(form.after->hasFocus());

        form.field->SetFocusOnOctet(2);
        Press(Qt::Key_Tab);
        QVERIFY(form.after->hasFocus());
        form.field->SetFocusOnOctet(2);
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(form.before->hasFocus());
        Press(Qt::Key_Tab);
        QCOMPARE(FocusedOctet(*form.field), 0);
    }

    void aClickedOctetTakesTheKeys() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetAddress(L"192.168.1.254");
        form.before->setFocus();
        QLineEdit* third = form.field->OctetEdit(2);
        QTest::mouseClick(third, Qt::LeftButton, {},
                          QPoint(third->width() - 2, third->height() / 2));
        QCOMPARE(FocusedOctet(*form.field), 2);
        Type("0");
        QCOMPARE(form.field->Text(), std::wstring(L"192.168.10.254"));
        Press(Qt::Key_Backspace);
        Press(Qt::Key_Backspace);
        Press(Qt::Key_Backspace);
        QCOMPARE(form.field->Text(), std::wstring(L"192.16..254"));
        QCOMPARE(FocusedOctet(*form.field), 1);

        // A press on a dot goes to the nearer octet's end or start.
        const QRect second = form.field->OctetEdit(1)->geometry();
        QTest::mouseClick(form.field, Qt::LeftButton, {}, QPoint(second.right() + 1, 5));
        QCOMPARE(FocusedOctet(*form.field), 1);
        QCOMPARE(form.field->OctetEdit(1)->cursorPosition(), 2);
        const QRect fourth = form.field->OctetEdit(3)->geometry();
        QTest::mouseClick(form.field, Qt::LeftButton, {}, QPoint(fourth.left() - 1, 5));
        QCOMPARE(FocusedOctet(*form.field), 3);
        QCOMPARE(form.field->OctetEdit(3)->cursorPosition(), 0);
    }

    void disabledFieldIgnoresKeys() {
        Form form;
        QVERIFY(Activate(form.window));
        form.field->SetAddress(L"192.168.1.254");
        form.field->SetFocusOnOctet(0);
        form.field->setEnabled(false);
        QVERIFY(!form.field->OctetEdit(0)->hasFocus());
        QApplication::clipboard()->setText(QStringLiteral("10.0.0.1"));
        const std::array<QWidget*, 2> targets{form.field, form.field->OctetEdit(0)};
        for (QWidget* target : targets) {
            QTest::keyClicks(target, QStringLiteral("12."));
            QTest::keyClick(target, Qt::Key_Backspace);
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(form.field->Text(), std::wstring(L"192.168.1.254"));
    }

    void octetsAreNamedAfterTheField() {
        Ipv4Field field;
        QCOMPARE(field.OctetEdit(0)->accessibleName(), QStringLiteral("IP address, octet 1 of 4"));
        field.SetAccessibleName(L"Subnet mask");
        QCOMPARE(field.accessibleName(), QStringLiteral("Subnet mask"));
        QAccessibleInterface* fourth = QAccessible::queryAccessibleInterface(field.OctetEdit(3));
        QVERIFY(fourth);
        QCOMPARE(fourth->text(QAccessible::Name), QStringLiteral("Subnet mask, octet 4 of 4"));
        QCOMPARE(fourth->role(), QAccessible::EditableText);
        field.SetAccessibleName(L"");
        QCOMPARE(field.OctetEdit(1)->accessibleName(), QStringLiteral("Octet 2 of 4"));
    }

    void changedComesWithNewDigitsOnly() {
        Form form;
        QVERIFY(Activate(form.window));
        QSignalSpy changed(form.field, &Ipv4Field::changed);
        form.field->SetAddress(L"192.168.1.254");
        QCOMPARE(changed.count(), 1);
        form.field->SetFocusOnOctet(1);
        Press(Qt::Key_Left);
        Press(Qt::Key_End, Qt::ShiftModifier);
        Press(Qt::Key_C, Qt::ControlModifier);
        form.field->SetAddress(L"192.168.1.254");
        QCOMPARE(changed.count(), 1);
        form.field->SetFocusOnOctet(2);
        Type("9");
        QCOMPARE(changed.count(), 2);
    }

    // The page's 200 x 23 rectangle in the page's font holds three digits in every octet.
    void fitsThePageRectangle() {
        QWidget page;
        page.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        page.resize(240, 110);
        auto* typed = new Ipv4Field(&page);
        typed->setGeometry(20, 10, 200, 23);
        auto* selected = new Ipv4Field(&page);
        selected->setGeometry(20, 43, 200, 23);
        auto* disabled = new Ipv4Field(&page);
        disabled->setGeometry(20, 76, 200, 23);
        QVERIFY(Activate(page));
        typed->SetAddress(L"192.168.100.254");
        selected->SetAddress(L"255.255.255.0");
        selected->SetFocusOnOctet(2);
        disabled->SetAddress(L"10.0..1");
        disabled->setEnabled(false);

        QCOMPARE(typed->font().family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(typed->sizeHint().height() <= 23);
        const QFontMetrics metrics(typed->font());
        for (int i = 0; i < Ipv4Field::kOctetCount; ++i) {
            const QLineEdit* edit = typed->OctetEdit(i);
            QVERIFY(typed->rect().contains(edit->geometry()));
            QVERIFY(edit->width() >= metrics.horizontalAdvance(QStringLiteral("888")) + 8);
            QVERIFY(edit->height() >= metrics.height());
        }
        QVERIFY(Save(page, QStringLiteral("ipv4_fields")));
    }
};

QTEST_MAIN(Ipv4FieldTest)
#include "ipv4_field_test.moc"
