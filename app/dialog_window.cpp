#include "app/dialog_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <vector>

#include "app/enter_escape_filter.h"
#include "app/window_drag.h"

namespace {

// Dialogs inside DoModal, outermost first.
std::vector<CDialogWindow*>& ModalStack() {
    static std::vector<CDialogWindow*> stack;
    return stack;
}

QPointer<CDialogWindow>& MainWindowPointer() {
    static QPointer<CDialogWindow> main;
    return main;
}

bool& QuittingFlag() {
    static bool quitting = false;
    return quitting;
}

}  // namespace

CDialogWindow::CDialogWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), timers_([this](int id) { OnTimer(id); }) {
    EnterEscapeFilter::InstallOnce();
    setFont(DialogFont());
    // A page starts hidden, whatever its parent does, until it is shown on purpose.
    if (!isWindow()) {
        setVisible(false);
    }
}

CDialogWindow::~CDialogWindow() {
    timers_.KillAll();
    std::erase(ModalStack(), this);
    if (loop_ != nullptr) {
        loop_->exit();
    }
}

void CDialogWindow::SetTimer(int id, uint32_t periodMs) {
    timers_.Set(id, periodMs);
}

void CDialogWindow::KillTimer(int id) {
    timers_.Kill(id);
}

bool CDialogWindow::HasTimer(int id) const {
    return timers_.IsActive(id);
}

void CDialogWindow::Create() {
    if (created_) {
        return;
    }
    created_ = true;
    OnInitDialog();
}

void CDialogWindow::DestroyWindow() {
    if (!created_) {
        return;
    }
    created_ = false;
    OnDestroy();
}

int CDialogWindow::DoModal() {
    if (QuittingFlag() || loop_ != nullptr) {
        return kAborted;
    }
    QPointer<CDialogWindow> self(this);
    ended_ = false;
    result_ = 0;
    ModalStack().push_back(this);

    Create();
    if (self && !ended_ && !QuittingFlag()) {
        if (isWindow() && parentWidget() != nullptr) {
            setWindowModality(Qt::ApplicationModal);
        }
        ShowWindow(true);
        if (isWindow()) {
            activateWindow();
        }
    }
    if (self && !ended_ && !QuittingFlag()) {
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (!self) {
            return kAborted;  // destroyed while it ran
        }
        loop_ = nullptr;
    }
    if (!self) {
        return kAborted;
    }
    if (!ended_) {
        ended_ = true;
        result_ = kAborted;
    }
    ShowWindow(false);
    DestroyWindow();
    std::erase(ModalStack(), this);
    return result_;
}

void CDialogWindow::EndDialog(int result) {
    result_ = result;
    ended_ = true;
    if (loop_ != nullptr) {
        loop_->exit();
    }
}

void CDialogWindow::ShowWindow(bool show) {
    const bool changes = isHidden() == show;
    setVisible(show);
    if (changes) {
        OnShowWindow(show);
    }
}

QFont CDialogWindow::DialogFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}

CDialogWindow* CDialogWindow::MainWindow() {
    return MainWindowPointer();
}

void CDialogWindow::SetMainWindow(CDialogWindow* window) {
    MainWindowPointer() = window;
}

void CDialogWindow::MinimizeMainWindow() {
    if (CDialogWindow* main = MainWindow()) {
        main->showMinimized();
    }
}

void CDialogWindow::CloseMainWindow() {
    if (CDialogWindow* main = MainWindow()) {
        main->EndDialog(0);
    }
}

void CDialogWindow::EndAllDialogs(int result) {
    QuittingFlag() = true;
    const std::vector<CDialogWindow*> running = ModalStack();
    for (auto it = running.rbegin(); it != running.rend(); ++it) {
        (*it)->EndDialog(result);
    }
    if (CDialogWindow* main = MainWindow(); main != nullptr && !main->HasEnded()) {
        main->EndDialog(result);
    }
}

bool CDialogWindow::IsQuitting() {
    return QuittingFlag();
}

void CDialogWindow::ClearQuitting() {
    QuittingFlag() = false;
}

QWidget* CDialogWindow::DragTarget(CDialogWindow* pressed) {
    CDialogWindow* main = MainWindow();
    return (main != nullptr ? main : pressed)->window();
}

void CDialogWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    // A press that a control in the band passed on (it lies under the point) is not a
    // press on the background: the control keeps its click.
    if (event->button() == Qt::LeftButton && InDragBand(point.y()) && childAt(point) == nullptr) {
        event->accept();
        QWidget* target = DragTarget(this);
        if (!StartSystemMove(target)) {
            followingMouse_ = true;
            dragOffset_ = event->globalPosition().toPoint() - target->pos();
        }
        return;
    }
    QWidget::mousePressEvent(event);
}

void CDialogWindow::mouseMoveEvent(QMouseEvent* event) {
    if (followingMouse_ && (event->buttons() & Qt::LeftButton)) {
        DragTarget(this)->move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CDialogWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (followingMouse_ && event->button() == Qt::LeftButton) {
        followingMouse_ = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

// The window system's close (a keyboard shortcut, the task bar) is the dialog's Cancel;
// the window itself stays until the dialog ends.
void CDialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCancel();
}
