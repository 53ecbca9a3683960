#pragma once

#include <QAccessible>
#include <QEventLoop>
#include <QFont>
#include <QPoint>
#include <QWidget>

#include <cstdint>

#include "window/dialog_timers.h"

// The base of every page and dialog of the program, and of the main window.
//
// - Timers under the program's ids: SetTimer / KillTimer, delivered to OnTimer, also
//   inside nested modal loops and also while OnTimer itself runs one (see DialogTimers).
// - Modeless life (pages, the wizard frame): Create runs OnInitDialog once, DestroyWindow
//   runs OnDestroy once. A page starts hidden; ShowWindow shows or hides it and calls
//   OnShowWindow when that changes its state.
// - Modal life (the main window, the pop-up dialogs): DoModal runs OnInitDialog, shows
//   the window and runs a nested event loop until EndDialog, which hides the window at
//   once; DoModal then runs OnDestroy and returns EndDialog's result. Pop-ups with a
//   parent block the other windows while they run. One pop-up runs at a time: a pop-up
//   asked to run while another one is up (a message, or a wait, that a timer brings in
//   meanwhile) waits until that one has closed, and runs then; so does a pop-up asked to
//   run again while it is up itself.
// - Enter and Escape never reach a dialog or its controls (EnterEscapeFilter).
// - A left press on the dialog's own background in the top band drags the main window;
//   controls in the band keep their clicks. A dialog without a band turns it off.
class DialogWindow : public QWidget {
    Q_OBJECT

public:
    // DoModal's result when the loop ended without EndDialog: the program is quitting.
    static constexpr int kAborted = -1;
    // EndDialog's result when the window system asks the dialog to close (OnCancel).
    static constexpr int kCancel = 2;

    explicit DialogWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~DialogWindow() override;

    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Starts (or restarts with a new period) timer `id`; OnTimer(id) follows every period.
    void SetTimer(int id, uint32_t periodMs);
    void KillTimer(int id);
    void KillAllTimers();
    bool HasTimer(int id) const;
    // The period timer `id` runs with, in the program's time; 0 when it is not running.
    uint32_t TimerPeriod(int id) const { return m_timers.Period(id); }

    void Create();
    void DestroyWindow();
    bool IsCreated() const { return m_created; }

    int DoModal();
    // Ends DoModal with `result`, as soon as control returns to the dialog's own loop.
    // Before or without a loop it only records the result (HasEnded, Result).
    void EndDialog(int result);
    // From DoModal's start until the run is ended.
    bool IsModalRunning() const { return m_session != nullptr && !m_session->ended; }
    // Waits (in a nested loop) until no other pop-up of ours is up, for a pop-up that is
    // about to run; at once for the main window. False when the program is quitting.
    bool AwaitModalTurn();
    bool HasEnded() const { return m_ended; }
    int Result() const { return m_result; }

    // Shows or hides the window; OnShowWindow follows only when the state changes.
    void ShowWindow(bool show);

    // Whether a press in the top band drags the main window (on by default).
    void SetDragBand(bool on) { m_dragBand = on; }

    // What the dialog is to assistive technology: a pane by default (its accessible
    // name tells which), a window, a dialog or an alert.
    void SetAccessibleRole(QAccessible::Role role) { m_accessibleRole = role; }
    QAccessible::Role AccessibleRole() const { return m_accessibleRole; }

    // The font of every page and dialog.
    static QFont DialogFont();

    // The program's main window: what the drag band moves and what Minimize and Close act
    // on. Without one (a dialog on its own, in tests) the dialog's own window.
    static DialogWindow* RegisteredMainWindow();
    static void SetMainWindow(DialogWindow* window);
    static void MinimizeMainWindow();
    // Ends the main dialog with 0: the program ends through its teardown.
    static void CloseMainWindow();

    // Ends every dialog, the innermost first, and makes every later DoModal return
    // kAborted at once: the program is being asked to end (a termination signal).
    static void EndAllDialogs(int result);
    static bool IsQuitting();
    // Lets dialogs run again after EndAllDialogs (for tests).
    static void ClearQuitting();

signals:
    // A run of DoModal has ended: the window is gone from the screen.
    void modalEnded();

protected:
    virtual void OnInitDialog() {}
    virtual void OnShowWindow(bool /*show*/) {}
    virtual void OnTimer(int /*id*/) {}
    virtual void OnDestroy() {}
    virtual void OnCancel() { EndDialog(kCancel); }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // One run of DoModal.
    struct Session {
        QEventLoop loop;
        bool ended = false;
        int result = kAborted;
    };

    static QWidget* DragTarget(DialogWindow* pressed);
    bool IsPopup() const { return isWindow() && parentWidget() != nullptr; }

    DialogTimers m_timers;
    bool m_created = false;
    bool m_ended = false;
    int m_result = 0;
    // The run in progress (or ended, while its DoModal has not returned yet).
    Session* m_session = nullptr;
    bool m_dragBand = true;
    QAccessible::Role m_accessibleRole = QAccessible::Pane;
    // Set when the platform cannot move the window itself: the drag follows the mouse.
    bool m_followingMouse = false;
    QPoint m_dragOffset;
};
