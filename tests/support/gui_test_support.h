#pragma once

#include <QDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <utility>
#include <vector>

#include "window/dialog_window.h"

// Helpers of the GUI tests.

// The steps a restart wait shows: 0 when its progress appears, 1 to 10 on its timer, and
// 0 again at the eleventh tick, which ends it.
inline const std::vector<int> kRestartWaitSteps = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0};

inline void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Saves a picture of `widget` as <name>.png in the build tree's artefacts folder.
inline bool SaveScreenshot(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAMSEL_ARTEFACT_DIR));
    return widget.grab().save(QStringLiteral(TAMSEL_ARTEFACT_DIR "/%1.png").arg(name));
}

// Runs `step` once, as soon as `condition` holds, from whatever event loop runs then (a
// modal dialog's included): for acting while the code that opened a dialog waits.
inline void When(std::function<bool()> condition, std::function<void()> step) {
    auto* poll = new QTimer;
    poll->setInterval(2);
    QObject::connect(poll, &QTimer::timeout, [poll, condition, step] {
        if (condition()) {
            poll->stop();
            poll->deleteLater();
            step();
        }
    });
    poll->start();
}

// Runs `step` once, as soon as the dialog that `dialog` names is up inside its modal loop.
// `dialog` may name nothing yet (a dialog of a window still to be built).
inline void WhenModal(std::function<DialogWindow*()> dialog, std::function<void()> step) {
    When(
        [dialog] {
            const DialogWindow* running = dialog();
            return running != nullptr && running->IsModalRunning() && running->isVisible();
        },
        std::move(step));
}

// Runs its function when it goes out of scope: a step that acts on a modal dialog ends
// the dialog even when a check of the step fails and returns early.
class Finally {
public:
    explicit Finally(std::function<void()> run) : m_run(std::move(run)) {}
    ~Finally() { m_run(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    std::function<void()> m_run;
};
