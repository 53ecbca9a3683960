#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/answer_watch.h"
#include "platform/host_network.h"

#include "platform/metered_socket.h"
#include "window/dialog_window.h"
#include "window/page_navigation.h"

class IHostAddressSetup;
class ISocketFactory;
class ITickClock;

// What the main window builds its managers from.
struct ShellServices {
    ISocketFactory& sockets;
    ITickClock& clock;
    IHostAddressSetup& hostSetup;
    // The PC's adapters, for the search page's note on where a search went; none: the
    // note names no adapter.
    std::function<std::optional<std::vector<AdapterInfo>>()> readAdapters = {};
    // The watch for answers that the PC's firewall drops; none (or a null watch, without
    // the rights to watch): searches are not watched.
    std::function<std::unique_ptr<IAnswerWatch>()> makeAnswerWatch = {};
};

// The main window: borderless, 700 by 500 pixels, with a task bar entry. It owns the
// discovery and web managers (and runs their timers), the search page and the device
// wizard's frame; the pages cover its whole surface, and it is how they reach one another
// (the page navigation). Ending the dialog tears all of them down, in a fixed order.
class CTamselDlg : public CDialogWindow, public IPageNavigation {
    Q_OBJECT

public:
    static constexpr int kWidth = 700;
    static constexpr int kHeight = 500;
    static constexpr int kDiscoveryTimerId = 9997;
    static constexpr uint32_t kDiscoveryTimerMs = 300;
    static constexpr int kWebTimerId = 9999;
    static constexpr uint32_t kWebTimerMs = 800;
    // The one model the wizard supports, compared exactly (case and blanks count).
    static constexpr const wchar_t* kSupportedModel = L"KV-Q3150Tx";

    explicit CTamselDlg(const ShellServices& services);
    ~CTamselDlg() override;

    // Opens the device wizard for the device just selected, replacing a wizard opened
    // before, and shows it instead of the search page. For any model but the supported one
    // it ends the main dialog with 0 (the program closes without a message) and returns
    // null.
    IDeviceWizard* OpenDeviceWizard(const std::wstring& model, const std::wstring& ipAddress,
                                    const std::wstring& subnetMask) override;
    void ReturnToSearchPage() override;
    void ShowWizardPage(WizardPage page) override;

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;
    void OnDestroy() override;

private:
    void CenterOnScreen();

    ShellServices m_services;
    // The web command queue's sockets, metered so that the firmware page can show how far
    // an upload has got.
    MeteredSocketFactory m_webSockets;
};
