#include "app/tamsel_app.h"

#include <QApplication>
#include <QMessageBox>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "app/instance_activation.h"
#include "app/main_window.h"
#include "app/program_state.h"
#include "app/signal_shutdown.h"
#include "hostnet/host_address_setup.h"
#include "hostnet/linux_host_address_setup.h"
#include "platform/ansi_text.h"
#include "platform/async_socket.h"
#include "platform/linux/answer_watches.h"
#include "platform/linux/rtnl_host_reader.h"
#include "platform/linux/termination_cleanup.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/tick_clock.h"
#include "platform/url_opener.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/dialog_window.h"

namespace {

// How long a termination signal waits for the teardown before the process ends anyway.
// Removing a temporary address takes half a second; a running address set-up is asked
// to give up first.
constexpr std::chrono::seconds kSignalTeardownLimit{8};

}  // namespace

TamselApp::TamselApp(TerminationCleanup& termination)
    : m_termination(termination), m_instance(kInstanceName) {}

bool TamselApp::AcquireInstance() {
    // When no lock file can be made at all, running is better than refusing to.
    return m_instance.Acquire() != SingleInstanceLock::Outcome::kHeldElsewhere;
}

int TamselApp::AskRunningCopyToComeForward(int argc, char* argv[]) {
    ActivationReply reply = ActivationReply::kNoAnswer;
    {
        // Only for the local socket: no display is needed to ask.
        int coreArgc = argc > 0 ? 1 : 0;
        QCoreApplication core(coreArgc, argv);
        reply = SendComeForwardRequest(QString::fromStdString(m_instance.ChannelPath()),
                                       ActivationTokenFromEnvironment(), kComeForwardAnswerMs);
    }
    if (reply == ActivationReply::kShown) {
        return 0;
    }
    const std::wstring text = LoadString(kTextAlreadyRunning);
    std::fputs(("tamsel: " + WideToAnsi(text) + "\n").c_str(), stderr);
    if (DesktopPresent()) {
        int qtArgc = argc > 0 ? 1 : 0;
        QApplication application(qtArgc, argv);
        QMessageBox box(QMessageBox::Information,
                        QString::fromStdWString(LoadString(kTextMessageTitle)),
                        QString::fromStdWString(text), QMessageBox::Ok);
        box.exec();
    }
    return 0;
}

int TamselApp::Run() {
    // Only the main dialog's end ends the program; hiding a pop-up must not.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setFont(DialogWindow::DialogFont());

    QtEventLoop loop;
    const std::unique_ptr<ISocketFactory> sockets = MakeBsdSocketFactory(loop);
    const std::unique_ptr<IHostAddressSetup> hostSetup = MakeHostAddressSetup();
    // Added first, so it runs after the teardown has been waited for: whatever the
    // user-interface thread managed, the temporary address goes.
    const int removalId =
        m_termination.Add([setup = hostSetup.get()] { setup->RemoveTempAddress(); });
    {
        SignalShutdown shutdown(m_termination, kSignalTeardownLimit);
        {
            // Without the rights to watch for dropped answers nothing changes: no watch, and
            // no helper started for one.
            ProgramState state({*sockets, MonotonicTickClock::Instance(), *hostSetup,
                                ReadHostAdapters, MakeAnswerWatch});
            MainWindow dialog(state);
            // A second start asks through the listener for this window to come forward.
            ActivationListener listener(
                [&dialog](const QByteArray& token, ActivationListener::Answer answer) {
                    dialog.ComeForward(token, std::move(answer));
                });
            // Only the lock's holder: a run without it (a benchmark's) leaves the channel
            // to the copy that holds it.
            if (m_instance.Held()) {
                listener.Listen(QString::fromStdString(m_instance.ChannelPath()));
            }
            dialog.DoModal();
        }
        shutdown.MarkTornDown();
        if (shutdown.SignalArrived()) {
            shutdown.AwaitTermination();
        }
    }
    m_termination.Remove(removalId);
    return 0;
}
