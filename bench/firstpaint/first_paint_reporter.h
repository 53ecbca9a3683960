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
    FirstPaintReporter(int fd, std::function<void()> done) : fd_(fd), done_(std::move(done)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            seen_ = true;
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
        if (write(fd_, line.data(), line.size()) < 0) {
            // The runner notices the missing line.
        }
        done_();
    }

    int fd_;
    std::function<void()> done_;
    bool seen_ = false;
};
