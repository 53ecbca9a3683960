#pragma once

#include <optional>
#include <string>

// How the pages reach one another without knowing one another: the search page opens the
// device wizard, the wizard's pages go back to the search page or to another wizard page.
// The main window provides the navigation and registers it at start-up; pages call the
// free functions below.

// The entries of the left-hand menu of every page, top to bottom.
enum class MenuEntry { kLocate, kRepeater, kIpAddress, kWireless, kFirmware, kPassword, kReset };
inline constexpr int kMenuEntryCount = 7;

// The wizard's six pages, in the order in which ShowWizardPage goes through them.
enum class WizardPageId {
    kIpAddress,  // the device's LAN address and DHCP server
    kFirmware,   // firmware version and upgrade
    kSummary,    // the status read at Connect (menu entry "Repeater")
    kWireless,   // site survey and bridging (menu entry "Wireless")
    kPassword,   // the administrator password
    kReset,      // reboot and factory reset
};
inline constexpr int kWizardPageIdCount = 6;

// The page a menu entry leads to; nothing for "Locate", which leads to the search page.
std::optional<WizardPageId> PageOfMenuEntry(MenuEntry entry);

// The wizard just opened, as the search page sees it.
class IDeviceWizard {
public:
    virtual ~IDeviceWizard() = default;

    // Reads the device's settings behind the modal "Loading...." progress (LANINFO, then
    // WANINFO and GETSTATUS), then shows them on the status summary page. Returns when the
    // progress has ended, whether the reads succeeded or the wizard gave up.
    virtual void LoadDeviceStatus() = 0;
};

class IPageNavigation {
public:
    virtual ~IPageNavigation() = default;

    // Replaces any open wizard with a new one for the device just selected and shows it
    // instead of the search page. Null when the model is not supported or the wizard could
    // not be built: the program is then closing.
    virtual IDeviceWizard* OpenDeviceWizard(const std::wstring& model,
                                            const std::wstring& ipAddress,
                                            const std::wstring& subnetMask) = 0;
    // Shows the search page and hides the wizard; queued commands keep running.
    virtual void ReturnToSearchPage() = 0;
    // Shows `page` of the open wizard and hides its other pages.
    virtual void ShowWizardPage(WizardPageId page) = 0;
};

// The navigation in use; null before the main window registers one (a page on its own in
// a test), and the functions below then do nothing.
void SetPageNavigation(IPageNavigation* navigation);
IPageNavigation* PageNavigation();

IDeviceWizard* OpenDeviceWizard(const std::wstring& model, const std::wstring& ipAddress,
                                const std::wstring& subnetMask);
void ReturnToSearchPage();
void ShowWizardPage(WizardPageId page);
