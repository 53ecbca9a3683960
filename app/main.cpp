#include <QApplication>

#include "app/tamsel_app.h"
#include "platform/linux/termination_cleanup.h"
#include "platform/time_scale.h"

int main(int argc, char* argv[]) {
    time_scale::SetFactorFromEnvironment();
    // Before any other thread exists: every thread started later inherits the signal
    // mask it sets up.
    TerminationCleanup termination;
    CTamselApp program(termination);
    if (!program.AcquireInstance()) {
        return 0;  // another copy runs
    }
    // The program reads no command-line options: Qt sees only the program's name.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    return program.Run();
}
