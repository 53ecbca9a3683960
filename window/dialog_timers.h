#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>

// Window timers under the program's own ids (SetTimer / KillTimer of a dialog).
//
// An expiry is handed to the owner through a queued call, not from inside Qt's timer
// event: Qt does not fire a timer again while its own handler is still running, yet a
// handler that opens a modal dialog must keep receiving its timer inside that dialog's
// event loop. As with window timers, expiries do not pile up: at most one hand-over per
// timer is waiting at any time.
class DialogTimers : public QObject {
public:
    using Handler = std::function<void(int id)>;

    explicit DialogTimers(Handler handler, QObject* parent = nullptr);
    ~DialogTimers() override;

    DialogTimers(const DialogTimers&) = delete;
    DialogTimers& operator=(const DialogTimers&) = delete;

    // Starts timer `id`; a timer already running under that id restarts with the new
    // period. The period is in the program's time (platform/time_scale.h).
    void Set(int id, uint32_t periodMs);
    // Stops timer `id`. An expiry not handed over yet is dropped. Unknown ids are ignored.
    void Kill(int id);
    void KillAll();
    bool IsActive(int id) const;
    // The period timer `id` was set with, in the program's time; 0 when it is not running.
    uint32_t Period(int id) const;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Timer {
        int qtTimerId = 0;
        uint32_t periodMs = 0;
        // Tells a hand-over queued for an earlier Set of the same id apart.
        uint64_t generation = 0;
        bool handOverQueued = false;
    };

    void HandOver(int id, uint64_t generation);

    Handler m_handler;
    std::map<int, Timer> m_timers;
    uint64_t m_nextGeneration = 1;
};
