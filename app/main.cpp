#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/tamsel_app.h"
#include "platform/ansi_text.h"
#include "platform/linux/termination_cleanup.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

int main(int argc, char* argv[]) {
    // Answered before anything else starts, so that they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tamsel %s\n", TAMSEL_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(WideToAnsi(LoadString(kAppHelp)).c_str(), stdout);
        return 0;
    }
    time_scale::SetFactorFromEnvironment();
    // Before any other thread exists: every thread started later inherits the signal
    // mask it sets up.
    TerminationCleanup termination;
    TamselApp program(termination);
    if (!program.AcquireInstance()) {
        return program.AskRunningCopyToComeForward(argc, argv);
    }
    // The program reads no other command-line options: Qt sees only the program's name.
    // Names the desktop entry, so that the desktop shows its icon for the window.
    QGuiApplication::setDesktopFileName("com.zelkora.tamsel");
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    return program.Run();
}
