#pragma once

#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "controls/picture_button.h"
#include "support/gui_test_support.h"
#include "wizard/ui/message_box.h"

// Presses OK on every message box that comes up and keeps its text, so that a test can
// run the code that shows it straight through. `onMessage` runs while the box is up.
class MessageAnswerer {
public:
    explicit MessageAnswerer(MessageBox* box, std::function<void()> onMessage = {})
        : m_box(box), m_onMessage(std::move(onMessage)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(5);
    }

    std::vector<std::wstring> texts;

private:
    void Poll() {
        if (m_box == nullptr || !m_box->IsModalRunning() || m_box->HasEnded()) {
            return;
        }
        texts.push_back(m_box->Message());
        if (m_onMessage) {
            m_onMessage();
        }
        Click(m_box->OkButton());
    }

    QPointer<MessageBox> m_box;
    std::function<void()> m_onMessage;
    QTimer m_timer;
};
