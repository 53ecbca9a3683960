#pragma once

#include <QPushButton>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/program_state.h"
#include "discovery/last_repeater.h"
#include "discovery/ui/search_page.h"
#include "hostnet/host_address_setup.h"
#include "platform/tick_clock.h"
#include "support/fakes/fake_socket.h"
#include "support/reply_builder.h"
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

// The host set-up of a PC that needs no help, with the temporary address a test says the
// web queue holds.
struct FakeHostSetup : NoHostAddressSetup {
    std::optional<HostAddressContext> TempAddress() const override { return held; }
    std::optional<HostAddressContext> held;
};

// The program's state and main window over fake sockets (nothing reaches a network), laid
// out and shown as DoModal does it. No firewall front end is active unless a test says so.
struct FakeShell {
    // `extras` fills in what the services hold beyond the sockets, the clock and the host
    // set-up (the adapters, the answer watch, the firewall).
    explicit FakeShell(const std::function<void(ShellServices&)>& extras = {})
        : state(Services(extras)), dialog(state) {
        dialog.Create();
        dialog.ShowWindow(true);
    }
    ShellServices Services(const std::function<void(ShellServices&)>& extras) {
        ShellServices services{sockets, MonotonicTickClock::Instance(), hostSetup};
        services.readFirewall = [] { return HostFirewallState{}; };
        if (extras) {
            extras(services);
        }
        return services;
    }

    // The discovery manager's socket: the first one made; then the web queue's.
    FakeSocketState& Discovery() { return *sockets.states.front(); }
    FakeSocketState& Web() { return *sockets.states.at(1); }
    SearchPage& Page() { return *dialog.Search(); }

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
    ProgramState state;
    MainWindow dialog;
};

// The repeater the wizard tests connect to, as a search finds it: the supported model at
// 192.168.1.1/24, with the login admin/admin.
inline FoundDevice FoundRepeater() {
    return {L"KV-Q3150Tx", L"00:1A:2B:3C:4D:5E", L"192.168.1.1", L"255.255.255.0", L"admin",
            L"admin"};
}

// The main window with a wizard opened for a device, as Connect leaves it before the
// loading starts, with `status` as what the device's pages told (Status() changes it).
struct FakeWizardShell {
    explicit FakeWizardShell(const DeviceStatus& status = {}) {
        shell.state.Status() = status;
        shell.dialog.activateWindow();
        shell.state.ConnectTo(FoundRepeater());
    }
    WizardFrame& Frame() { return *shell.dialog.Wizard(); }
    WizardPage& Page(WizardPageId page) { return *Frame().Page(page); }
    DeviceStatus& Status() { return shell.state.Status(); }
    // Shows `page` and hides the wizard's other pages.
    template <typename PageType = WizardPage>
    PageType& Show(WizardPageId page) {
        Frame().ShowWizardPage(page);
        return static_cast<PageType&>(Page(page));
    }

    FakeShell shell;
};
