#pragma once

#include <QDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <string>
#include <vector>

#include "web/device_commands.h"
#include "window/dialog_window.h"

// Helpers of the wireless page's tests.

inline void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Saves a picture of `widget` as <name>.png in the build tree's artefacts folder.
inline bool SaveScreenshot(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAMSEL_ARTEFACT_DIR));
    return widget.grab().save(QStringLiteral(TAMSEL_ARTEFACT_DIR "/%1.png").arg(name));
}

// Runs `step` once, as soon as the dialog that `dialog` names is up inside its modal loop:
// for acting on a modal dialog while the code that opened it waits. Polling stops when
// the step has run or the object goes out of scope, whichever comes first.
class WhenModal {
public:
    WhenModal(std::function<CDialogWindow*()> dialog, std::function<void()> step) {
        m_poll.setInterval(2);
        QObject::connect(&m_poll, &QTimer::timeout, [this, dialog, step] {
            const CDialogWindow* running = dialog();
            if (running != nullptr && running->IsModalRunning() && running->isVisible()) {
                m_poll.stop();
                m_ran = true;
                step();
            }
        });
        m_poll.start();
    }
    bool Ran() const { return m_ran; }

private:
    QTimer m_poll;
    bool m_ran = false;
};

// Records what a page queues, in order.
class RecordingSink : public IWebCommandSink {
public:
    struct Entry {
        std::wstring command;
        WebRequest request;
    };
    void Queue(const std::wstring& command, const WebRequest& request,
               const DeviceTarget& /*target*/) override {
        queued.push_back({command, request});
    }
    void QueueFile(const std::wstring& command, const WebRequest& request,
                   const DeviceTarget& /*target*/, const std::string& /*filePath*/) override {
        queued.push_back({command, request});
    }
    std::vector<std::wstring> Commands() const {
        std::vector<std::wstring> names;
        for (const Entry& entry : queued) {
            names.push_back(entry.command);
        }
        return names;
    }
    std::vector<Entry> queued;
};
