#include "app/signal_shutdown.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <thread>

#include "platform/linux/termination_cleanup.h"
#include "window/dialog_window.h"

SignalShutdown::SignalShutdown(TerminationCleanup& termination, std::chrono::milliseconds limit)
    : m_termination(termination), m_limit(limit) {
    m_callbackId = m_termination.Add([this] { OnSignal(); });
}

SignalShutdown::~SignalShutdown() {
    m_termination.Remove(m_callbackId);
}

void SignalShutdown::MarkTornDown() {
    {
        std::lock_guard lock(m_mutex);
        m_tornDown = true;
    }
    m_tornDownChanged.notify_all();
}

void SignalShutdown::AwaitTermination() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

void SignalShutdown::OnSignal() {
    m_signalArrived = true;
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            application, [] { DialogWindow::EndAllDialogs(0); }, Qt::QueuedConnection);
    }
    std::unique_lock lock(m_mutex);
    m_tornDownChanged.wait_for(lock, m_limit, [this] { return m_tornDown; });
}
