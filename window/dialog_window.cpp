#include "window/dialog_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <vector>

#include "window/caret_rest.h"
#include "window/enter_escape_filter.h"
#include "window/focus_mark.h"
#include "window/window_accessibility.h"
#include "window/window_drag.h"

namespace {

// Dialogs inside DoModal, outermost first.
std::vector<DialogWindow*>& ModalStack() {
    static std::vector<DialogWindow*> stack;
    return stack;
}

QPointer<DialogWindow>& MainWindowPointer() {
    static QPointer<DialogWindow> main;
    return main;
}

bool& QuittingFlag() {
    static bool quitting = false;
    return quitting;
}

}  // namespace

DialogWindow::DialogWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_timers([this](int id) { OnTimer(id); }) {
    EnterEscapeFilter::InstallOnce();
    InstallWindowAccessibility();
    FocusMark::InstallOnce();
    CaretRest::InstallOnce();
    setFont(DialogFont());
    // A page starts hidden, whatever its parent does, until it is shown on purpose.
    if (!isWindow()) {
        setVisible(false);
    }
}

DialogWindow::~DialogWindow() {
    m_timers.KillAll();
    std::erase(ModalStack(), this);
    if (m_session != nullptr) {
        m_session->loop.exit();
    }
}

void DialogWindow::SetTimer(int id, uint32_t periodMs) {
    m_timers.Set(id, periodMs);
}

void DialogWindow::KillTimer(int id) {
    m_timers.Kill(id);
}

void DialogWindow::KillAllTimers() {
    m_timers.KillAll();
}

bool DialogWindow::HasTimer(int id) const {
    return m_timers.IsActive(id);
}

void DialogWindow::Create() {
    if (m_created) {
        return;
    }
    m_created = true;
    OnInitDialog();
}

void DialogWindow::DestroyWindow() {
    if (!m_created) {
        return;
    }
    m_created = false;
    OnDestroy();
}

bool DialogWindow::AwaitModalTurn() {
    if (!IsPopup()) {
        return !QuittingFlag();
    }
    while (!QuittingFlag()) {
        const std::vector<DialogWindow*>& stack = ModalStack();
        const auto running = std::find_if(stack.rbegin(), stack.rend(), [](const DialogWindow* d) {
            return d->IsPopup() && d->IsModalRunning();
        });
        if (running == stack.rend()) {
            return true;
        }
        QEventLoop wait;
        connect(*running, &DialogWindow::modalEnded, &wait, &QEventLoop::quit);
        connect(*running, &QObject::destroyed, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::DialogExec);
    }
    return false;
}

int DialogWindow::DoModal() {
    QPointer<DialogWindow> self(this);
    if (!AwaitModalTurn() || !self) {
        return kAborted;
    }
    // This dialog ended a moment ago and that run's DoModal has not returned yet (this
    // call comes from inside its loop): the run is over, its window goes now.
    if (m_session != nullptr) {
        ShowWindow(false);
        DestroyWindow();
    }
    Session session;
    Session* const outer = std::exchange(m_session, &session);
    m_ended = false;
    m_result = 0;
    ModalStack().push_back(this);

    Create();
    if (self && !session.ended && !QuittingFlag()) {
        if (IsPopup()) {
            setWindowModality(Qt::ApplicationModal);
        }
        ShowWindow(true);
        if (isWindow()) {
            activateWindow();
        }
    }
    if (self && !session.ended && !QuittingFlag()) {
        session.loop.exec(QEventLoop::DialogExec);
    }
    if (!self) {
        return kAborted;  // destroyed while it ran
    }
    m_session = outer;
    if (!session.ended) {
        m_ended = true;
        m_result = kAborted;
        emit modalEnded();
    }
    ShowWindow(false);
    DestroyWindow();
    std::vector<DialogWindow*>& stack = ModalStack();
    if (const auto mine = std::find(stack.rbegin(), stack.rend(), this); mine != stack.rend()) {
        stack.erase(std::next(mine).base());
    }
    return session.result;
}

void DialogWindow::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    if (m_session != nullptr && !m_session->ended) {
        m_session->ended = true;
        m_session->result = result;
        m_session->loop.exit();
        // Gone from the screen at once, even while a dialog opened after it still runs
        // and its own loop cannot return yet; the keyboard goes back to the window it
        // came from, to the control that had it there.
        const bool hadKeyboard = isActiveWindow();
        ShowWindow(false);
        if (hadKeyboard && IsPopup()) {
            parentWidget()->window()->activateWindow();
        }
        emit modalEnded();
    }
}

void DialogWindow::ShowWindow(bool show) {
    const bool changes = isHidden() == show;
    setVisible(show);
    if (changes) {
        OnShowWindow(show);
    }
}

QFont DialogWindow::DialogFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}

DialogWindow* DialogWindow::RegisteredMainWindow() {
    return MainWindowPointer();
}

void DialogWindow::SetMainWindow(DialogWindow* window) {
    MainWindowPointer() = window;
}

void DialogWindow::MinimizeMainWindow() {
    if (DialogWindow* main = RegisteredMainWindow()) {
        main->showMinimized();
    }
}

void DialogWindow::CloseMainWindow() {
    if (DialogWindow* main = RegisteredMainWindow()) {
        main->EndDialog(0);
    }
}

void DialogWindow::EndAllDialogs(int result) {
    QuittingFlag() = true;
    const std::vector<DialogWindow*> running = ModalStack();
    for (auto it = running.rbegin(); it != running.rend(); ++it) {
        (*it)->EndDialog(result);
    }
    if (DialogWindow* main = RegisteredMainWindow(); main != nullptr && !main->HasEnded()) {
        main->EndDialog(result);
    }
}

bool DialogWindow::IsQuitting() {
    return QuittingFlag();
}

void DialogWindow::ClearQuitting() {
    QuittingFlag() = false;
}

QWidget* DialogWindow::DragTarget(DialogWindow* pressed) {
    return WindowToDrag(pressed, RegisteredMainWindow());
}

void DialogWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    // A press that a control in the band passed on (it lies under the point) is not a
    // press on the background: the control keeps its click.
    if (m_dragBand && event->button() == Qt::LeftButton && InDragBand(point.y()) &&
        childAt(point) == nullptr) {
        event->accept();
        QWidget* target = DragTarget(this);
        if (!StartSystemMove(target)) {
            m_followingMouse = true;
            m_dragOffset = event->globalPosition().toPoint() - target->pos();
        }
        return;
    }
    QWidget::mousePressEvent(event);
}

void DialogWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_followingMouse && (event->buttons() & Qt::LeftButton)) {
        DragTarget(this)->move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void DialogWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (m_followingMouse && event->button() == Qt::LeftButton) {
        m_followingMouse = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

// The window system's close (a keyboard shortcut, the task bar) is the dialog's Cancel;
// the window itself stays until the dialog ends.
void DialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCancel();
}
