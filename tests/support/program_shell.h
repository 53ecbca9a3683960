#pragma once

#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/program_state.h"
#include "controls/picture_button.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/search_page.h"
#include "hostnet/host_address_setup.h"
#include "hostnet/linux_host_address_setup.h"
#include "platform/async_socket.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/tick_clock.h"
#include "support/gui_test_support.h"
#include "window/page_navigation.h"
#include "wizard/ui/wizard_frame.h"

// How the PC reaches the repeaters: as it is (they are in its subnet), or through the real
// host address set-up, which may add a temporary address to one of its interfaces.
enum class HostSetup { kNone, kReal };

// How long the shell waits for a search (a bound for a hung test, never a timing check),
// and how often it searches again for a device that is not listed yet: a repeater that
// restarts answers only once it is up.
struct ShellWaits {
    int searchLimitMs = 20000;
    int searches = 5;
    int pauseBeforeSearchMs = 0;  // before each new search
};

// The whole program over real BSD sockets on a Qt event loop: the main window, shown as
// DoModal shows it, with the search page in front and its first search running. For the
// network GUI tests, which run it inside a virtual LAN (support/virtual_lan.h) and go
// through it as a user does: the search, a device selected by its address, Connect, a
// wizard page through the summary page's menu, and back on the search page.
class ProgramShell {
public:
    // `extras` fills in what the services hold beyond the sockets, the clock and the host
    // set-up (the adapters, the answer watch).
    explicit ProgramShell(HostSetup host, ShellWaits waits = {},
                          const std::function<void(ShellServices&)>& extras = {})
        : m_waits(waits),
          m_sockets(MakeBsdSocketFactory(m_loop)),
          m_hostSetup(host == HostSetup::kReal ? MakeHostAddressSetup()
                                               : std::make_unique<NoHostAddressSetup>()),
          m_state(Services(extras)),
          m_dialog(m_state) {
        m_dialog.Create();
        m_dialog.ShowWindow(true);
    }
    ProgramShell(const ProgramShell&) = delete;
    ProgramShell& operator=(const ProgramShell&) = delete;

    MainWindow& Dialog() { return m_dialog; }
    ProgramState& State() { return m_state; }
    SearchPage& Search() { return *m_dialog.Search(); }
    DeviceList& Devices() { return *Search().DeviceTable(); }
    // The wizard the last Connect opened.
    WizardFrame& Wizard() const { return *m_dialog.Wizard(); }
    bool HasWizard() const { return m_dialog.Wizard() != nullptr; }

    // Waits until the search has ended (Scan is enabled again).
    bool WaitForSearch() {
        return QTest::qWaitFor([&] { return Search().ScanButton()->isEnabled(); },
                               m_waits.searchLimitMs);
    }
    // Selects the listed row with address `ip`; false when no row has it.
    bool SelectListed(const std::wstring& ip) {
        for (int row = 0; row < Devices().rowCount(); ++row) {
            if (Devices().Text(row, DeviceList::kIp) == ip) {
                Devices().SelectRow(row);
                return true;
            }
        }
        return false;
    }
    // Waits for the search and selects the device at `ip`, searching again while it is
    // not listed (ShellWaits).
    bool SelectDevice(const std::wstring& ip) {
        for (int search = 0; search < m_waits.searches; ++search) {
            if (!WaitForSearch()) {
                return false;
            }
            if (SelectListed(ip)) {
                return true;
            }
            if (m_waits.pauseBeforeSearchMs > 0) {
                QTest::qWait(m_waits.pauseBeforeSearchMs);
            }
            Click(Search().ScanButton());
        }
        return false;
    }
    // Presses Connect; true when it opened a wizard, which has then loaded the device's
    // settings.
    bool Connect() {
        Click(Search().ConnectButton());
        return HasWizard() && Wizard().isVisible();
    }
    bool ConnectTo(const std::wstring& ip) { return SelectDevice(ip) && Connect(); }

    // Presses `entry` of the summary page's menu, as a user gets to a page after Connect.
    void Choose(MenuEntry entry) { Click(Wizard().Page(WizardPageId::kSummary)->MenuItem(entry)); }
    // Chooses `entry`; the page it showed, or null when `page` is not in view.
    template <typename Page>
    Page* Open(WizardPageId page, MenuEntry entry) {
        Choose(entry);
        WizardPage* shown = Wizard().Page(page);
        return shown->isVisible() ? static_cast<Page*>(shown) : nullptr;
    }

    // The search page in front, and no wizard in view.
    bool BackOnSearchPage() const {
        const WizardFrame* wizard = m_dialog.Wizard();
        return m_dialog.Search()->isVisible() && (wizard == nullptr || !wizard->isVisible());
    }

private:
    ShellServices Services(const std::function<void(ShellServices&)>& extras) {
        ShellServices services{*m_sockets, MonotonicTickClock::Instance(), *m_hostSetup};
        // The machine's own firewall settings are no part of a test.
        services.readFirewall = [] { return HostFirewallState{}; };
        if (extras) {
            extras(services);
        }
        return services;
    }

    ShellWaits m_waits;
    QtEventLoop m_loop;
    std::unique_ptr<ISocketFactory> m_sockets;
    std::unique_ptr<IHostAddressSetup> m_hostSetup;
    ProgramState m_state;
    MainWindow m_dialog;
};
