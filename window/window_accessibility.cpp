#include "window/window_accessibility.h"

#include <QAccessibleWidget>

#include "window/dialog_window.h"

namespace {

class AccessibleDialog : public QAccessibleWidget {
public:
    explicit AccessibleDialog(DialogWindow* dialog) : QAccessibleWidget(dialog) {}

    // Asked each time: the interface may be made before the dialog sets its role.
    QAccessible::Role role() const override {
        return static_cast<DialogWindow*>(widget())->AccessibleRole();
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    // Every dialog class derives from DialogWindow; Qt asks for each class of an object
    // from the most derived one up, so the base's name catches them all.
    if (className == QLatin1String("DialogWindow")) {
        return new AccessibleDialog(static_cast<DialogWindow*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallWindowAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}
