// Where the pop-ups appear and which window a press in a drag band moves, on the platform
// the test runs on: the offscreen platform, which takes the program's positions as X11
// does, or a Wayland compositor, which places every window itself (the CMakeLists.txt runs
// it under scripts/wayland-session.sh too; TAMSEL_TEST_PLATFORM names the platform it must
// get).

#include <QGuiApplication>
#include <QWindow>
#include <QtTest>

#include <vector>

#include "support/gui_test_support.h"
#include "window/dialog_window.h"
#include "window/skinned_popup.h"
#include "window/window_drag.h"
#include "window/window_placement.h"

namespace {

constexpr int kPopupPictureId = 160;

// The program's shape: a main window, a page over it and a pop-up whose parent is the
// page, as the wizard's dialogs are children of its frame.
struct Desktop {
    Desktop() {
        DialogWindow::SetMainWindow(&main);
        main.resize(700, 500);
        page->setGeometry(0, 0, 700, 500);
        page->ShowWindow(true);
        main.show();
    }
    ~Desktop() { DialogWindow::SetMainWindow(nullptr); }

    DialogWindow main{nullptr, Qt::Window | Qt::FramelessWindowHint};
    DialogWindow* page = new DialogWindow(&main);
    SkinnedPopup popup{kPopupPictureId, page};
};

bool OnWayland() {
    return QGuiApplication::platformName() == QLatin1String("wayland");
}

}  // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QString expected = qEnvironmentVariable("TAMSEL_TEST_PLATFORM");
        if (!expected.isEmpty()) {
            QCOMPARE(QGuiApplication::platformName(), expected);
        }
        QCOMPARE(ProgramPlacesWindows(), !OnWayland());
    }
    void cleanup() { SetWindowMoveStarter({}); }

    // A pop-up is a transient child of the main window, even though its parent is a page:
    // the compositor puts it over that window. Where the program places windows, it is
    // centred over the main window each time it runs, wherever the main window went; on
    // Wayland the program never positions a top-level window.
    void popUpsAppearOverTheMainWindow() {
        Desktop desktop;
        QVERIFY(QTest::qWaitForWindowExposed(&desktop.main));
        for (const QPoint mainAt : {QPoint(100, 80), QPoint(160, 120)}) {
            PlaceWindow(&desktop.main, mainAt);
            WhenModal([&] { return &desktop.popup; },
                      [&] {
                          Finally end([&] { desktop.popup.EndDialog(0); });
                          QVERIFY(desktop.popup.windowHandle() != nullptr);
                          QCOMPARE(desktop.popup.windowHandle()->transientParent(),
                                   desktop.main.windowHandle());
                          if (OnWayland()) {
                              QVERIFY(!desktop.popup.testAttribute(Qt::WA_Moved));
                              QVERIFY(!desktop.main.testAttribute(Qt::WA_Moved));
                          } else {
                              QCOMPARE(desktop.main.pos(), mainAt);
                              QCOMPARE(desktop.popup.geometry().center(),
                                       desktop.main.geometry().center());
                          }
                      });
            QCOMPARE(desktop.popup.DoModal(), 0);
        }
    }

    // A press in a pop-up's band moves the main window, as the program's caption would;
    // a Wayland compositor moves only the window that was pressed, so there the pop-up
    // moves. A press in a page's band moves the main window everywhere.
    void aBandMovesTheWindowTheWindowSystemLetsMove() {
        Desktop desktop;
        QVERIFY(QTest::qWaitForWindowExposed(&desktop.main));
        std::vector<QWindow*> moves;
        SetWindowMoveStarter([&](QWindow* window) {
            moves.push_back(window);
            return true;
        });
        WhenModal([&] { return &desktop.popup; },
                  [&] {
                      Finally end([&] { desktop.popup.EndDialog(0); });
                      QTest::mousePress(&desktop.popup, Qt::LeftButton, {}, QPoint(130, 10));
                      QTest::mouseRelease(&desktop.popup, Qt::LeftButton, {}, QPoint(130, 10));
                  });
        desktop.popup.DoModal();
        QTest::mousePress(desktop.page, Qt::LeftButton, {}, QPoint(300, 20));
        QTest::mouseRelease(desktop.page, Qt::LeftButton, {}, QPoint(300, 20));
        QCOMPARE(moves.size(), size_t{2});
        QCOMPARE(moves[0],
                 OnWayland() ? desktop.popup.windowHandle() : desktop.main.windowHandle());
        QCOMPARE(moves[1], desktop.main.windowHandle());
    }

    // When the window system does not start a move, the main window follows the mouse
    // where the program places windows; on Wayland, where it cannot, nothing tries.
    void withoutASystemMoveOnlyAPlacingWindowSystemFollowsTheMouse() {
        Desktop desktop;
        QVERIFY(QTest::qWaitForWindowExposed(&desktop.main));
        SetWindowMoveStarter([](QWindow*) { return false; });
        const QPoint start = desktop.main.pos();
        QTest::mousePress(desktop.page, Qt::LeftButton, {}, QPoint(100, 20));
        QTest::mouseMove(desktop.page, QPoint(130, 45));
        QTest::mouseRelease(desktop.page, Qt::LeftButton, {}, QPoint(130, 45));
        if (OnWayland()) {
            QVERIFY(!desktop.main.testAttribute(Qt::WA_Moved));
        } else {
            QTRY_COMPARE(desktop.main.pos(), start + QPoint(30, 25));
        }
    }
};

QTEST_MAIN(WindowPlacementTest)
#include "window_placement_test.moc"
