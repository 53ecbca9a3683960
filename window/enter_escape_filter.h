#pragma once

#include <QObject>

class QWidget;

// Swallows presses of Enter and Escape aimed at any dialog of the program or at any
// control inside one, before the control or the dialog sees them, so that no key ever
// ends or closes a page or dialog. Other keys, and windows that are not ours (a file
// dialog, a drop-down list), are left alone.
class EnterEscapeFilter : public QObject {
public:
    // Installs the filter on the running application once.
    static void InstallOnce();

    // Lets Enter reach `control` (a text field whose Enter starts what its page offers for
    // it); Escape is still swallowed, and the page around it never sees Enter.
    static void LetEnterThrough(QWidget* control);

    // Whether a key press with `key` sent to `receiver` is swallowed.
    static bool Swallows(const QWidget* receiver, int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
