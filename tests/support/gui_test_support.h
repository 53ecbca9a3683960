#pragma once

#include <QDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <utility>

#include "window/dialog_window.h"

// Helpers of the GUI tests.

inline void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Saves a picture of `widget` as <name>.png in the build tree's artefacts folder.
inline bool SaveScreenshot(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAMSEL_ARTEFACT_DIR));
    return widget.grab().save(QStringLiteral(TAMSEL_ARTEFACT_DIR "/%1.png").arg(name));
}

// Runs `step` once, as soon as the dialog that `dialog` names is up inside its modal loop:
// for acting on a modal dialog while the code that opened it waits. `dialog` may name
// nothing yet (a dialog of a window still to be built).
inline void WhenModal(std::function<CDialogWindow*()> dialog, std::function<void()> step) {
    auto* poll = new QTimer;
    poll->setInterval(2);
    QObject::connect(poll, &QTimer::timeout, [poll, dialog, step] {
        const CDialogWindow* running = dialog();
        if (running != nullptr && running->IsModalRunning() && running->isVisible()) {
            poll->stop();
            poll->deleteLater();
            step();
        }
    });
    poll->start();
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
