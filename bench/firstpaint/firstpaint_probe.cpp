// tamsel's own start-up (without the single-instance check, so that a copy the user runs
// does not get in the way), ended right after its first paint has been reported.
// Usage: firstpaint_probe FD (the runner's pipe).

#include <QApplication>

#include <cstdlib>

#include "app/tamsel_app.h"
#include "bench/firstpaint/first_paint_reporter.h"
#include "platform/linux/termination_cleanup.h"
#include "window/dialog_window.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        return 2;
    }
    const int fd = std::atoi(argv[1]);
    TerminationCleanup termination;
    TamselApp program(termination);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    FirstPaintReporter reporter(fd, [] { DialogWindow::EndAllDialogs(0); });
    application.installEventFilter(&reporter);
    return program.Run();
}
