#pragma once

#include <QPushButton>
#include <QtTest>

#include <vector>

#include "app/main_window.h"
#include "discovery/ui/search_page.h"
#include "fakes/fake_socket.h"
#include "hostnet/host_address_setup.h"
#include "platform/tick_clock.h"
#include "unit/discovery/reply_builder.h"
#include "window/shell_globals.h"

// The main window over fake sockets (nothing reaches a network), laid out and shown as
// DoModal does it.
struct FakeShell {
    FakeShell() : dialog(ShellServices{sockets, MonotonicTickClock::Instance(), hostSetup}) {
        dialog.Create();
        dialog.ShowWindow(true);
    }

    // The discovery manager's socket: the first one made; then the web queue's.
    FakeSocketState& Discovery() { return *sockets.states.front(); }
    FakeSocketState& Web() { return *sockets.states.at(1); }
    CSearchDlg& Page() { return *G_pSearchDlg; }

    // Answers the search once its request number `afterBroadcasts` + 1 is out.
    bool Answer(const std::vector<ReplyFields>& devices, size_t afterBroadcasts = 0) {
        if (!QTest::qWaitFor([&] { return Discovery().broadcasts.size() > afterBroadcasts; },
                             5000)) {
            return false;
        }
        for (const ReplyFields& device : devices) {
            Discovery().DeliverDatagram(AsString(BuildReply(device)));
        }
        return true;
    }
    bool WaitForResult() {
        return QTest::qWaitFor([&] { return Page().ScanButton()->isEnabled(); }, 15000);
    }

    FakeSocketFactory sockets;
    NoHostAddressSetup hostSetup;
    CTamselDlg dialog;
};
