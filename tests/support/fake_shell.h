#pragma once

#include <QPushButton>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "discovery/last_repeater.h"
#include "discovery/ui/search_page.h"
#include "fakes/fake_socket.h"
#include "hostnet/host_address_setup.h"
#include "platform/tick_clock.h"
#include "unit/discovery/reply_builder.h"
#include "web/selected_device.h"
#include "window/shell_globals.h"
#include "wizard/ui/wizard_frame.h"

// A repeater's search reply with its MAC address (12 hexadecimal digits) and IP address.
inline ReplyFields DeviceReply(const std::string& mac, const std::string& ip) {
    ReplyFields fields;
    fields.mac = mac;
    fields.ip = ip;
    return fields;
}

// Forgets the repeater a Connect of an earlier test case remembered, so that a search
// selects its first row again.
inline void ForgetLastRepeater() {
    const std::string path = LastRepeaterStore::DefaultPath();
    if (!path.empty()) {
        std::remove(path.c_str());
    }
}

// The main window over fake sockets (nothing reaches a network), laid out and shown as
// DoModal does it.
// The host set-up of a PC that needs no help, with the temporary address a test says the
// web queue holds.
struct FakeHostSetup : NoHostAddressSetup {
    std::optional<HostAddressContext> TempAddress() const override { return held; }
    std::optional<HostAddressContext> held;
};

struct FakeShell {
    // `extras` fills in what the services hold beyond the sockets, the clock and the host
    // set-up (the adapters, the answer watch).
    explicit FakeShell(const std::function<void(ShellServices&)>& extras = {})
        : dialog(Services(extras)) {
        dialog.Create();
        dialog.ShowWindow(true);
    }
    ShellServices Services(const std::function<void(ShellServices&)>& extras) {
        ShellServices services{sockets, MonotonicTickClock::Instance(), hostSetup};
        if (extras) {
            extras(services);
        }
        return services;
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
    FakeHostSetup hostSetup;
    CTamselDlg dialog;
};

// The main window with a wizard opened for a selected device, as Connect leaves it before
// the loading starts (a test that wants status values puts them in G_DeviceStatus first).
struct FakeWizardShell {
    FakeWizardShell() {
        SetSelectedDevice(L"admin", L"admin", L"192.168.1.1", L"00:1A:2B:3C:4D:5E");
        shell.dialog.activateWindow();
        shell.dialog.OpenDeviceWizard(L"KV-Q3150Tx", L"192.168.1.1", L"255.255.255.0");
    }
    CQ3150TxDlg& Frame() { return *G_pDeviceDlg; }
    CWizardPage& Page(WizardPage page) { return *Frame().Page(page); }
    // Shows `page` and hides the wizard's other pages.
    template <typename PageType = CWizardPage>
    PageType& Show(WizardPage page) {
        Frame().ShowWizardPage(page);
        return static_cast<PageType&>(Page(page));
    }

    FakeShell shell;
};
