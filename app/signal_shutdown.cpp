#include "app/signal_shutdown.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <thread>

#include "app/dialog_window.h"
#include "platform/linux/termination_cleanup.h"

SignalShutdown::SignalShutdown(TerminationCleanup& termination, std::chrono::milliseconds limit)
    : termination_(termination), limit_(limit) {
    callbackId_ = termination_.Add([this] { OnSignal(); });
}

SignalShutdown::~SignalShutdown() {
    termination_.Remove(callbackId_);
}

void SignalShutdown::MarkTornDown() {
    {
        std::lock_guard lock(mutex_);
        tornDown_ = true;
    }
    tornDownChanged_.notify_all();
}

void SignalShutdown::AwaitTermination() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

void SignalShutdown::OnSignal() {
    signalArrived_ = true;
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            application, [] { CDialogWindow::EndAllDialogs(0); }, Qt::QueuedConnection);
    }
    std::unique_lock lock(mutex_);
    tornDownChanged_.wait_for(lock, limit_, [this] { return tornDown_; });
}
