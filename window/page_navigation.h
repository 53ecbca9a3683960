#pragma once

#include <string>

class QWidget;

// How the pages reach one another without knowing one another: the search page opens the
// device wizard, and a page's menu or its own end leads to another page. The window that
// holds the pages (the main window) implements IPageNavigation; a page finds it among its
// ancestors (NavigationOf), so no registry is needed, and a page on its own in a test
// leads nowhere.

// The entries of the left-hand menu of every page, top to bottom.
enum class MenuEntry { kLocate, kRepeater, kIpAddress, kWireless, kFirmware, kPassword, kReset };
inline constexpr int kMenuEntryCount = 7;

// The page opened for a device, as the search page sees it.
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
    // Shows the page `entry` of the menu leads to: the search page for "Locate", a page
    // of the open wizard for the others.
    virtual void ShowMenuEntry(MenuEntry entry) = 0;
};

// The navigation `widget` stands in: the nearest of itself and its ancestors that
// implements IPageNavigation; null when none does.
IPageNavigation* NavigationOf(QWidget* widget);
// Shows the search page through the navigation `from` stands in; nothing without one.
void ReturnToSearchPage(QWidget* from);
