// tamselctl: the repeater set-up from the command line. The work is done by Tamselctl on
// the Qt event loop, with the managers at the GUI's pacing.

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/device_session.h"
#include "cli/guarded_event_loop.h"
#include "cli/tamselctl.h"
#include "cli/termination_signals.h"
#include "cli/text.h"
#include "hostnet/linux_host_address_setup.h"
#include "platform/async_socket.h"
#include "platform/linux/answer_watches.h"
#include "platform/linux/rtnl_host_reader.h"
#include "platform/metered_socket.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/tick_clock.h"
#include "platform/time_scale.h"
#include "platform/url_opener.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

constexpr char kPasswordVariable[] = "TAMSEL_PASSWORD";

void PrintError(const std::wstring& why) {
    const std::string text = "tamselctl: " + WideToUtf8(why) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void PrintInternalError(const std::string& what) {
    PrintError(FormatString(kCliInternalError, {EscapeControls(Utf8ToWide(what))}));
}

int Run(int argc, char** argv) {
    time_scale::SetFactorFromEnvironment();
    // The device password may come from the environment, as sshpass -e takes it; it is
    // removed at once, so that no program this one starts (the network helper, the URL
    // opener) inherits it.
    std::optional<std::string> environmentPassword;
    if (const char* password = std::getenv(kPasswordVariable)) {
        environmentPassword = password;
        unsetenv(kPasswordVariable);
    }
    const CommandLine commandLine =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), environmentPassword);
    if (!commandLine.options) {
        PrintError(commandLine.error);
        return static_cast<int>(ExitCode::kUsage);
    }
    const CliOptions& options = *commandLine.options;
    if (options.command == CliCommand::kHelp) {
        std::fputs(WideToUtf8(LoadString(kCliHelp)).c_str(), stdout);
        return static_cast<int>(ExitCode::kSuccess);
    }
    if (options.command == CliCommand::kVersion) {
        std::printf("tamselctl %s\n", TAMSEL_VERSION);
        return static_cast<int>(ExitCode::kSuccess);
    }

    // Input checks and password prompts come first, while the terminal's signals still
    // act as usual; a dry run needs nothing else.
    Tamselctl tool(options);
    if (const std::optional<int> ended = tool.Prepare()) {
        return *ended;
    }
    if (options.dryRun) {
        return tool.DryRun(stdout);
    }

    // Before any thread exists, so that every thread leaves the signals to the loop.
    TerminationSignals terminationSignals;

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    QtEventLoop qtLoop;
    int exitCode = static_cast<int>(ExitCode::kInternal);
    bool escaped = false;
    // An exception out of any handler ends the run as an internal error, through the
    // teardown below like every other end.
    GuardedEventLoop loop(qtLoop, [&](const std::string& what) {
        if (!escaped) {
            escaped = true;
            PrintInternalError(what);
            exitCode = static_cast<int>(ExitCode::kInternal);
            QCoreApplication::exit(exitCode);
        }
    });
    const std::unique_ptr<ISocketFactory> bsdSockets = MakeBsdSocketFactory(loop);
    MeteredSocketFactory sockets(*bsdSockets);
    const std::unique_ptr<IHostAddressSetup> hostSetup = MakeHostAddressSetup();
    ITickClock& clock = MonotonicTickClock::Instance();

    {
        DeviceSession session(loop, sockets, clock, *hostSetup);
        // Nothing changes for a user who may not watch: no rights, no helper started.
        session.Discovery().WatchForDroppedAnswers(MakeAnswerWatch());
        terminationSignals.Watch(loop, [&tool](int signalNumber) { tool.Interrupt(signalNumber); });
        QTimer::singleShot(0, [&] {
            loop.Guard([&] {
                tool.Start(
                    Tamselctl::Environment{loop, clock, session, &sockets, ReadHostAdapters,
                                           hostSetup.get(), DesktopPresent(), OpenWithDesktop},
                    [&](int code) {
                        if (!escaped) {
                            exitCode = code;
                            QCoreApplication::exit(code);
                        }
                    });
            });
        });
        QCoreApplication::exec();
        terminationSignals.Unwatch();
        tool.Stop();
        // The main window's teardown: the temporary host address goes here.
        session.Shutdown();
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever escapes has unwound the run first, so its teardown (the temporary host
    // address removed) has happened by now.
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        PrintInternalError(error.what());
    } catch (...) {
        PrintInternalError("unknown exception");
    }
    return static_cast<int>(ExitCode::kInternal);
}
