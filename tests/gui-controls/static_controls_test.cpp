// TransparentLabel and SkinRadioButton: captions that repaint what lies under them only when
// they change, and the radio button's own background and check handling.

#include <QPainter>
#include <QScreen>
#include <QtTest>

#include "controls/skin_radio_button.h"
#include "controls/transparent_label.h"

namespace {

const QColor kPageColor(0x33, 0x66, 0x99);

// A page painted in one colour that counts its paints.
class Page : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter(this).fillRect(rect(), kPageColor);
    }
};

// What is on screen for the window (the offscreen platform's backing store).
QImage OnScreen(QWidget& window) {
    return window.screen()
        ->grabWindow(window.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

bool ShowAndSettle(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return false;
    }
    QCoreApplication::processEvents();
    return true;
}

}  // namespace

class StaticControlsTest : public QObject {
    Q_OBJECT

private slots:
    void sameCaptionRepaintsNothing() {
        Page page;
        page.resize(300, 100);
        TransparentLabel label(&page);
        label.setGeometry(25, 30, 160, 20);
        label.SetCaption(L"00:11:22:33:44:55");
        QVERIFY(ShowAndSettle(page));

        page.paints = 0;
        const int renders = label.RenderCount();
        label.SetCaption(L"00:11:22:33:44:55");
        QCoreApplication::processEvents();
        QCOMPARE(page.paints, 0);
        QCOMPARE(label.RenderCount(), renders);

        label.SetCaption(L"192.168.1.20");
        QCoreApplication::processEvents();
        QVERIFY(page.paints > 0);  // the page repaints under the transparent label
        QCOMPARE(label.RenderCount(), renders + 1);
    }

    void shorterCaptionLeavesNothingOfTheLongerOne() {
        Page page;
        page.resize(300, 100);
        TransparentLabel label(&page);
        label.setGeometry(25, 30, 250, 20);
        label.SetTextColor(Qt::white);
        label.SetCaption(L"WWWWWWWWWWWWWWWWWWWW");
        QVERIFY(ShowAndSettle(page));
        const QRect tail(25 + 60, 30, 250 - 60, 20);  // beyond where the short text ends
        auto whitish = [&](const QImage& image) {
            int n = 0;
            for (int y = tail.top(); y <= tail.bottom(); ++y) {
                for (int x = tail.left(); x <= tail.right(); ++x) {
                    n += image.pixelColor(x, y).lightness() > 200;
                }
            }
            return n;
        };
        QVERIFY(whitish(OnScreen(page)) > 0);

        label.SetCaption(L"W");
        QCoreApplication::processEvents();
        const QImage after = OnScreen(page);
        QCOMPARE(whitish(after), 0);
        QCOMPARE(after.pixelColor(tail.center()), kPageColor);
    }

    void radioButtonStandsOnItsOwnBackgroundUnlessTransparent() {
        Page page;
        page.resize(100, 60);
        SkinRadioButton radio(&page);
        radio.setGeometry(10, 10, 19, 19);
        radio.SetBkColor(Qt::white);
        QCOMPARE(page.grab().toImage().pixelColor(10, 10), QColor(Qt::white));
        QCOMPARE(page.grab().toImage().pixelColor(5, 5), kPageColor);
        QCOMPARE(radio.cursor().shape(), Qt::PointingHandCursor);

        radio.SetTransparent(true);
        QCOMPARE(page.grab().toImage().pixelColor(10, 10), kPageColor);
    }

    void radioCaptionChangesOnlyWhenDifferent() {
        SkinRadioButton radio;
        radio.resize(100, 19);
        radio.setText(QStringLiteral("Reboot"));
        radio.grab();
        const int renders = radio.RenderCount();
        radio.SetCaption(L"Reboot");
        radio.grab();
        QCOMPARE(radio.RenderCount(), renders);
        radio.SetCaption(L"");
        QCOMPARE(radio.text(), QString());
        radio.grab();
        QCOMPARE(radio.RenderCount(), renders + 1);
    }

    void setCheckSetsOneButtonWhileClicksStayExclusive() {
        QWidget page;
        SkinRadioButton reboot(&page);
        SkinRadioButton factory(&page);
        reboot.setGeometry(255, 165, 19, 19);
        factory.setGeometry(255, 210, 19, 19);

        reboot.SetCheck(true);
        factory.SetCheck(false);
        QVERIFY(reboot.GetCheck());
        QVERIFY(!factory.GetCheck());

        // The swap a page does in two steps: clear one, then set the other.
        reboot.SetCheck(false);
        QVERIFY(!reboot.GetCheck());
        factory.SetCheck(true);
        QVERIFY(factory.GetCheck());

        QTest::mouseClick(&reboot, Qt::LeftButton);
        QVERIFY(reboot.GetCheck());
        QVERIFY(!factory.GetCheck());
    }
};

QTEST_MAIN(StaticControlsTest)
#include "static_controls_test.moc"
