#pragma once

#include "app/single_instance.h"

class TerminationCleanup;

// The program: one copy per user, one main dialog run modally, the managers' sockets on
// the Qt event loop, and the same teardown on every way out (Close, an unsupported
// device, a termination signal).
class CTamselApp {
public:
    // The name of the single-instance lock.
    static constexpr const char* kInstanceName = "Zelkora Q3150Tx Tamsel";

    explicit CTamselApp(TerminationCleanup& termination);

    // False when another copy of the program runs: this one then ends silently. Call it
    // before the QApplication exists, so a second copy does not even reach the display.
    bool AcquireInstance();

    // Runs the main dialog to its end; the QApplication must exist. Returns the exit code.
    int Run();

private:
    TerminationCleanup& m_termination;
    SingleInstanceLock m_instance;
};
