#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>

// A text caret blinks for a while after the user's last key or pointer press, then holds
// still, shown, until the next one: a focused field left alone would otherwise wake and
// repaint the idle window twice a second for ever. One rule for every text control of
// the program, kept in Qt's style hints (a flash time of 0 stops every caret's blink
// timer; the caret stays where it is, for the eye and for assistive technology).
class CaretRest : public QObject {
public:
    // How long a caret blinks after the last input, in the program's time.
    static constexpr uint32_t kBlinkMs = 10000;

    // Installs the rule on the running application once.
    static void InstallOnce();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CaretRest(QObject* parent);

    void StartQuiet();
    void Hold();
    void Resume();

    QTimer m_quiet;
    // The flash time to go back to; 0 while the carets blink.
    int m_heldFlashTime = 0;
};
