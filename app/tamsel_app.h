#pragma once

#include "app/single_instance.h"

class TerminationCleanup;

// The program: one copy per user, one main dialog run modally, the managers' sockets on
// the Qt event loop, and the same teardown on every way out (Close, an unsupported
// device, a termination signal). A second start brings the running copy's window forward
// (instance_activation.h).
class TamselApp {
public:
    // The name of the single-instance lock.
    static constexpr const char* kInstanceName = "Zelkora Q3150Tx Tamsel";

    explicit TamselApp(TerminationCleanup& termination);

    // How long a second copy waits for the running one's answer: the running copy waits
    // up to a second for the desktop.
    static constexpr int kComeForwardAnswerMs = 3000;

    // False when another copy of the program runs: then call AskRunningCopyToComeForward.
    // Call it before the QApplication exists, so a second copy reaches the display only
    // when it has something to show.
    bool AcquireInstance();

    // The second copy's part, before any QCoreApplication exists: asks the running copy to
    // bring its window forward with this start's activation token. When no copy answers or
    // the desktop refuses, says that Tamsel is already running, on standard error and, with
    // a desktop there, in a message box. Returns the exit code (0).
    int AskRunningCopyToComeForward(int argc, char* argv[]);

    // Runs the main dialog to its end; the QApplication must exist. Returns the exit code.
    int Run();

private:
    TerminationCleanup& m_termination;
    SingleInstanceLock m_instance;
};
