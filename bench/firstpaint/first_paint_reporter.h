#pragma once

#include <unistd.h>

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <ctime>
#include <functional>
#include <string>
#include <utility>

// Watches the whole application for the first paint of any widget. Once that paint has
// been handled (and the frame handed to the window system), it writes the
// CLOCK_MONOTONIC time in nanoseconds to `fd` as one decimal line and calls `done`.
class FirstPaintReporter : public QObject {
public:
    FirstPaintReporter(int fd, std::function<void()> done) : m_fd(fd), m_done(std::move(done)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()) {
            m_seen = true;
            // Queued: runs after the paint pass and its flush have finished.
            QTimer::singleShot(0, this, [this] { Report(); });
        }
        return false;
    }

private:
    void Report() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::string line =
            std::to_string(static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) + "\n";
        if (write(m_fd, line.data(), line.size()) < 0) {
            // The runner notices the missing line.
        }
        m_done();
    }

    int m_fd;
    std::function<void()> m_done;
    bool m_seen = false;
};
