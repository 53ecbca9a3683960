#pragma once

#include <optional>

#include "window/page_navigation.h"

// The wizard's six pages, in the order in which WizardFrame::ShowWizardPage goes through
// them.
enum class WizardPageId {
    kIpAddress,  // the device's LAN address and DHCP server
    kFirmware,   // firmware version and upgrade
    kSummary,    // the status read at Connect (menu entry "Repeater")
    kWireless,   // site survey and bridging (menu entry "Wireless")
    kPassword,   // the administrator password
    kReset,      // reboot and factory reset
};
inline constexpr int kWizardPageIdCount = 6;

// The wizard page a menu entry leads to; nothing for "Locate", which leads to the search
// page.
constexpr std::optional<WizardPageId> WizardPageOfMenuEntry(MenuEntry entry) {
    switch (entry) {
        case MenuEntry::kLocate:
            return std::nullopt;
        case MenuEntry::kRepeater:
            return WizardPageId::kSummary;
        case MenuEntry::kIpAddress:
            return WizardPageId::kIpAddress;
        case MenuEntry::kWireless:
            return WizardPageId::kWireless;
        case MenuEntry::kFirmware:
            return WizardPageId::kFirmware;
        case MenuEntry::kPassword:
            return WizardPageId::kPassword;
        case MenuEntry::kReset:
            return WizardPageId::kReset;
    }
    return std::nullopt;
}
