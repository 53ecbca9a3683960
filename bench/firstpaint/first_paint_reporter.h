#pragma once

#include <unistd.h>

#include <QAccessible>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <ctime>
#include <functional>
#include <string>
#include <utility>

// Watches the whole application for the first paint of any widget. Once that paint has
// been handled (and the frame handed to the window system), it writes one line to `fd`
// and calls `done`: the CLOCK_MONOTONIC time of that moment in nanoseconds, whether Qt's
// accessibility was on then, and whether it was on when the line was written (1 or 0
// each). Qt brings its bridge to the AT-SPI bus up without holding the start-up back, so
// when QT_LINUX_ACCESSIBILITY_ALWAYS_ON asks for it the line waits up to 5 s for it.
class FirstPaintReporter : public QObject {
public:
    FirstPaintReporter(int fd, std::function<void()> done) : m_fd(fd), m_done(std::move(done)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()) {
            m_seen = true;
            // Queued: runs after the paint pass and its flush have finished.
            QTimer::singleShot(0, this, [this] { Painted(); });
        }
        return false;
    }

private:
    static constexpr int kAccessibilityLimitMs = 5000;
    static constexpr int kPollMs = 10;

    void Painted() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        m_paintNs = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
        m_activeAtPaint = QAccessible::isActive();
        m_waitedMs = qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")
                         ? 0
                         : kAccessibilityLimitMs;
        Report();
    }

    void Report() {
        if (!QAccessible::isActive() && m_waitedMs < kAccessibilityLimitMs) {
            m_waitedMs += kPollMs;
            QTimer::singleShot(kPollMs, this, [this] { Report(); });
            return;
        }
        const std::string line = std::to_string(m_paintNs) + (m_activeAtPaint ? " 1" : " 0") +
                                 (QAccessible::isActive() ? " 1\n" : " 0\n");
        if (write(m_fd, line.data(), line.size()) < 0) {
            // The runner notices the missing line.
        }
        m_done();
    }

    int m_fd;
    std::function<void()> m_done;
    bool m_seen = false;
    long long m_paintNs = 0;
    bool m_activeAtPaint = false;
    int m_waitedMs = 0;
};
