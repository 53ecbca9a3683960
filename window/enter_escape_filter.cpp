#include "window/enter_escape_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include "window/dialog_window.h"

namespace {

// The dynamic property of a control that takes Enter itself.
constexpr char kTakesEnter[] = "tamselTakesEnter";

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool IsEnterOrEscape(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

// The dialog a widget belongs to: itself or its nearest ancestor inside the same window.
bool InsideDialog(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<const DialogWindow*>(w) != nullptr) {
            return true;
        }
        if (w->isWindow()) {
            return false;
        }
    }
    return false;
}

}  // namespace

void EnterEscapeFilter::InstallOnce() {
    static QPointer<EnterEscapeFilter> installed;
    if (installed != nullptr || qApp == nullptr) {
        return;
    }
    // Owned by the application, so a later application (in tests) gets a filter again.
    installed = new EnterEscapeFilter(qApp);
    qApp->installEventFilter(installed);
}

void EnterEscapeFilter::LetEnterThrough(QWidget* control) {
    control->setProperty(kTakesEnter, true);
}

bool EnterEscapeFilter::Swallows(const QWidget* receiver, int key) {
    if (IsEnter(key) && receiver->property(kTakesEnter).toBool()) {
        return false;
    }
    return IsEnterOrEscape(key) && InsideDialog(receiver);
}

bool EnterEscapeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    return Swallows(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event)->key());
}
