#pragma once

#include <QFocusFrame>

// The keyboard focus mark of every control of the program's dialogs and pages: the skin's
// focus ring, drawn just outside the control that has the focus (for a control made of
// several, such as the IPv4 field, around the whole of it). Its light outer edge shows on
// the dark title band, its accent-coloured inside on the page picture and on white
// fields. Assistive technology does not see it, and it lets the mouse through.
class FocusMark : public QFocusFrame {
    Q_OBJECT

public:
    // Follows the focus from now on, in every window of the program.
    static void InstallOnce();
    // The mark in use; null before any control of ours had the focus.
    static FocusMark* Current();

    explicit FocusMark(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
