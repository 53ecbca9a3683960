// The window layer every page and dialog stands on: timers inside nested modal loops,
// DoModal / EndDialog, Enter and Escape, the drag band, control placement and the
// caret's rest.

#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleHints>
#include <QtTest>

#include <functional>
#include <vector>

#include "controls/picture_button.h"
#include "discovery/ui/search_control_ids.h"
#include "discovery/ui/search_layout.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "window/caret_rest.h"
#include "window/control_layout.h"
#include "window/dialog_window.h"
#include "window/window_drag.h"

namespace {

class TestDialog : public DialogWindow {
public:
    using DialogWindow::DialogWindow;

    std::function<void(int)> onTimer;
    std::function<void()> onInit;
    int inits = 0;
    int shows = 0;
    int destroys = 0;

protected:
    void OnInitDialog() override {
        ++inits;
        if (onInit) {
            onInit();
        }
    }
    void OnTimer(int id) override {
        if (onTimer) {
            onTimer(id);
        }
    }
    void OnShowWindow(bool show) override { shows += show ? 1 : 0; }
    void OnDestroy() override { ++destroys; }
};

// Counts the key presses that reach it.
class KeyRecorder : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

// Counts the timer events that reach a widget's inner objects, where a line edit's caret
// blinks.
class InnerTimerCounter : public QObject {
public:
    explicit InnerTimerCounter(QWidget* widget) : m_widget(widget) {
        qApp->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer &&
            (watched == m_widget || watched->parent() == m_widget)) {
            ++count;
        }
        return false;
    }

private:
    QWidget* m_widget;
};

// Runs `step` once control is back in the innermost running event loop.
void Soon(std::function<void()> step) {
    QTimer::singleShot(0, std::move(step));
}

}  // namespace

class WindowLayerTest : public QObject {
    Q_OBJECT

private slots:
    void init() { DialogWindow::ClearQuitting(); }
    void cleanup() {
        SetWindowMoveStarter({});
        DialogWindow::SetMainWindow(nullptr);
        time_scale::SetFactor(1);
    }

    // A handler that opens a modal dialog from its own timer keeps getting that timer
    // inside the dialog's loop, re-entrantly, and other windows' timers keep running.
    void timersReachHandlersInsideTheirOwnModalLoop() {
        TestDialog owner;
        TestDialog other;
        TestDialog popup(&owner, Qt::Dialog);
        int depth = 0;
        int deepest = 0;
        int nestedTicks = 0;
        int otherTicksDuringModal = 0;
        bool popupVisibleInside = false;
        int modalResult = 0;
        bool modalDone = false;
        owner.onTimer = [&](int id) {
            QCOMPARE(id, 1);
            ++depth;
            deepest = std::max(deepest, depth);
            if (depth == 1 && !modalDone) {
                modalResult = popup.DoModal();
                modalDone = true;
                owner.KillTimer(1);
            } else if (depth == 2) {
                popupVisibleInside = popup.isVisible();
                if (++nestedTicks == 3 && otherTicksDuringModal > 0) {
                    popup.EndDialog(7);
                } else if (nestedTicks == 3) {
                    --nestedTicks;  // wait for the other window's timer too
                }
            }
            --depth;
        };
        other.onTimer = [&](int id) {
            QCOMPARE(id, 9997);
            if (popup.IsModalRunning()) {
                ++otherTicksDuringModal;
            }
        };
        owner.SetTimer(1, 5);
        other.SetTimer(9997, 5);
        QTRY_VERIFY_WITH_TIMEOUT(modalDone, 10000);
        QCOMPARE(deepest, 2);
        QCOMPARE(nestedTicks, 3);
        QVERIFY(otherTicksDuringModal > 0);
        QCOMPARE(modalResult, 7);
        QVERIFY(popupVisibleInside);
        QVERIFY(!popup.isVisible());
        QCOMPARE(popup.inits, 1);
        QCOMPARE(popup.destroys, 1);
    }

    // An expiry already queued when its timer is killed is dropped, also when the id is
    // set again at once: both timers fall due in the same pass, and the first one's
    // handler kills the second and restarts it with a period that never ends in the test.
    void killTimerDropsAQueuedExpiry() {
        TestDialog dialog;
        bool killed = false;
        int firstTicks = 0;
        int secondAfterKill = 0;
        dialog.onTimer = [&](int id) {
            if (id == 1) {
                ++firstTicks;
                if (!killed) {
                    dialog.KillTimer(2);
                    dialog.SetTimer(2, 3600 * 1000);
                    killed = true;
                }
            } else if (killed) {
                ++secondAfterKill;
            }
        };
        dialog.SetTimer(1, 2);
        dialog.SetTimer(2, 2);
        QTRY_VERIFY(firstTicks >= 5);
        QCOMPARE(secondAfterKill, 0);
    }

    void doModalRunsUntilEndDialog() {
        TestDialog owner;
        TestDialog popup(&owner, Qt::Dialog);
        TestDialog ender;
        ender.onTimer = [&](int) {
            if (popup.IsModalRunning()) {
                popup.EndDialog(42);
            }
        };
        ender.SetTimer(3, 5);
        QCOMPARE(popup.DoModal(), 42);
        QCOMPARE(popup.windowModality(), Qt::ApplicationModal);
        QVERIFY(!popup.isVisible());
        // Every run lays the dialog out again.
        QCOMPARE(popup.DoModal(), 42);
        QCOMPARE(popup.inits, 2);
        QCOMPARE(popup.destroys, 2);
        ender.KillTimer(3);

        // Ended while it is being laid out: it returns without ever showing.
        const int shows = popup.shows;
        popup.onInit = [&] { popup.EndDialog(5); };
        QCOMPARE(popup.DoModal(), 5);
        QCOMPARE(popup.shows, shows);

        // The window system's close is Cancel.
        popup.onInit = [&] { Soon([&] { popup.close(); }); };
        QCOMPARE(popup.DoModal(), DialogWindow::kCancel);
    }

    // A pop-up asked to run while another is up (a timer brought it in) waits until that
    // one has closed and runs then; so does a pop-up asked to run again while it is up.
    // The one that was up keeps its result.
    void aPopUpThatComesWhileAnotherIsUpRunsAfterIt() {
        TestDialog main;
        TestDialog first(&main, Qt::Dialog);
        TestDialog second(&main, Qt::Dialog);
        std::vector<QString> seen;
        int secondResult = 0;
        int againResult = 0;
        first.onInit = [&] {
            if (first.inits > 1) {
                seen.push_back(QStringLiteral("first again"));
                Soon([&] { first.EndDialog(3); });
                return;
            }
            Soon([&] {
                // Inside the first one's loop: the second waits there for its turn.
                Soon([&] {
                    seen.push_back(second.isVisible() ? QStringLiteral("second over first")
                                                      : QStringLiteral("first alone"));
                    first.EndDialog(1);
                });
                second.onInit = [&] {
                    seen.push_back(first.isVisible() ? QStringLiteral("first still up")
                                                     : QStringLiteral("second"));
                    Soon([&] { second.EndDialog(2); });
                };
                secondResult = second.DoModal();
                // And the first one asked again from inside its own, ended, run.
                againResult = first.DoModal();
            });
        };
        QCOMPARE(first.DoModal(), 1);
        QCOMPARE(secondResult, 2);
        QCOMPARE(againResult, 3);
        QCOMPARE(seen,
                 (std::vector<QString>{QStringLiteral("first alone"), QStringLiteral("second"),
                                       QStringLiteral("first again")}));
        QCOMPARE(first.inits, 2);
        QCOMPARE(first.destroys, 2);
        QVERIFY(!first.isVisible() && !second.isVisible());
    }

    // A termination request ends the innermost loop, then the outer one, and no dialog
    // runs afterwards.
    void endAllDialogsEndsEveryLoop() {
        TestDialog main;
        DialogWindow::SetMainWindow(&main);
        TestDialog popup(&main, Qt::Dialog);
        int popupResult = 1;
        int lateResult = 1;
        main.onInit = [&] {
            Soon([&] {
                popup.onInit = [&] { Soon([] { DialogWindow::EndAllDialogs(0); }); };
                popupResult = popup.DoModal();
                popup.onInit = nullptr;
                lateResult = popup.DoModal();
            });
        };
        QCOMPARE(main.DoModal(), 0);
        QCOMPARE(popupResult, 0);
        QCOMPARE(lateResult, DialogWindow::kAborted);
        QCOMPARE(popup.inits, 1);
        QCOMPARE(main.destroys, 1);
    }

    // Enter and Escape never reach a dialog or its controls; other keys do, and so do
    // windows that are not dialogs.
    void enterAndEscapeAreSwallowed() {
        TestDialog dialog;
        auto* recorder = new KeyRecorder(&dialog);
        auto* edit = new QLineEdit(&dialog);
        QSignalSpy returns(edit, &QLineEdit::returnPressed);
        KeyRecorder foreign;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(recorder, key);
            QTest::keyClick(edit, key);
            QTest::keyClick(&foreign, key);
        }
        QTest::keyClick(recorder, Qt::Key_A);
        QCOMPARE(recorder->keys, std::vector<int>{Qt::Key_A});
        QCOMPARE(returns.count(), 0);
        QCOMPARE(foreign.keys.size(), size_t{3});

        // Nor do they end a modal run.
        TestDialog popup(&dialog, Qt::Dialog);
        popup.onInit = [&] {
            Soon([&] {
                QTest::keyClick(&popup, Qt::Key_Escape);
                QTest::keyClick(&popup, Qt::Key_Return);
                Soon([&] { popup.EndDialog(3); });
            });
        };
        QCOMPARE(popup.DoModal(), 3);
    }

    // The top 78 pixels of a page drag the main window; y 78 does not; a control in the
    // band keeps its click.
    void dragBandMovesTheMainWindow() {
        TestDialog main;
        main.resize(700, 500);
        DialogWindow::SetMainWindow(&main);
        auto* page = new TestDialog(&main);
        page->setGeometry(0, 0, 700, 500);
        page->ShowWindow(true);
        auto* close = new PictureButton(kSearchClose, page);
        close->setGeometry(676, 6, 18, 18);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        std::vector<QWindow*> moves;
        SetWindowMoveStarter([&](QWindow* window) {
            moves.push_back(window);
            return true;
        });
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(300, 77));
        QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(300, 77));
        QCOMPARE(moves, std::vector<QWindow*>{main.windowHandle()});
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(300, 78));
        QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(300, 78));
        QTest::mousePress(page, Qt::RightButton, {}, QPoint(300, 10));
        QCOMPARE(moves.size(), size_t{1});

        QSignalSpy clicks(close, &PictureButton::clicked);
        QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(9, 9));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(moves.size(), size_t{1});

        // Without a system move the window follows the mouse.
        SetWindowMoveStarter([](QWindow*) { return false; });
        const QPoint start = main.pos();
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(100, 20));
        QTest::mouseMove(page, QPoint(130, 45));
        QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(130, 45));
        QTRY_COMPARE(main.pos(), start + QPoint(30, 25));
    }

    // A focused field's caret blinks after input, holds still (where it is) once the
    // program has been left alone for a while, and blinks again on the next key.
    void caretHoldsStillAfterAQuietTime() {
        time_scale::SetFactor(20);  // the quiet time passes in half a second
        QStyleHints* hints = QGuiApplication::styleHints();
        const int flashTime = hints->cursorFlashTime();
        hints->setCursorFlashTime(20);  // a blink every 10 ms
        TestDialog dialog;
        dialog.resize(200, 50);
        auto* field = new QLineEdit(&dialog);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A);
        InnerTimerCounter blinks(field);
        QTRY_VERIFY(blinks.count > 0);

        QTest::qWait(3 * time_scale::ToRealMs(CaretRest::kBlinkMs));
        blinks.count = 0;
        QTest::qWait(400);  // forty blinks without the rule
        QCOMPARE(blinks.count, 0);
        QCOMPARE(field->cursorPosition(), 1);
        QVERIFY(field->hasFocus());

        QTest::keyClick(field, Qt::Key_B);
        QTRY_VERIFY(blinks.count > 0);
        QCOMPARE(field->text(), QStringLiteral("ab"));
        hints->setCursorFlashTime(flashTime);
    }

    void controlsTakeTheirLayoutRectangles() {
        QWidget control;
        PlaceControl(&control, kSearchListRect);
        QCOMPARE(control.geometry(), QRect(196, 280, 472, 128));
    }
};

QTEST_MAIN(WindowLayerTest)
#include "layer_test.moc"
