#include "window/window_accessibility.h"

#include <QAccessibleWidget>

#include "window/dialog_window.h"

namespace {

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    // Every dialog class derives from CDialogWindow; Qt asks for each class of an object
    // from the most derived one up, so the base's name catches them all.
    if (className == QLatin1String("CDialogWindow")) {
        auto* dialog = static_cast<CDialogWindow*>(object);
        return new QAccessibleWidget(dialog, dialog->AccessibleRole());
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
