#include "window/page_navigation.h"

#include <cstddef>

namespace {

IPageNavigation*& Registered() {
    static IPageNavigation* navigation = nullptr;
    return navigation;
}

}  // namespace

std::optional<WizardPageId> PageOfMenuEntry(MenuEntry entry) {
    static constexpr std::optional<WizardPageId> kPages[kMenuEntryCount] = {
        std::nullopt,
        WizardPageId::kSummary,
        WizardPageId::kIpAddress,
        WizardPageId::kWireless,
        WizardPageId::kFirmware,
        WizardPageId::kPassword,
        WizardPageId::kReset};
    return kPages[static_cast<size_t>(entry)];
}

void SetPageNavigation(IPageNavigation* navigation) {
    Registered() = navigation;
}

IPageNavigation* PageNavigation() {
    return Registered();
}

IDeviceWizard* OpenDeviceWizard(const std::wstring& model, const std::wstring& ipAddress,
                                const std::wstring& subnetMask) {
    IPageNavigation* navigation = Registered();
    return navigation != nullptr ? navigation->OpenDeviceWizard(model, ipAddress, subnetMask)
                                 : nullptr;
}

void ReturnToSearchPage() {
    if (IPageNavigation* navigation = Registered()) {
        navigation->ReturnToSearchPage();
    }
}

void ShowWizardPage(WizardPageId page) {
    if (IPageNavigation* navigation = Registered()) {
        navigation->ShowWizardPage(page);
    }
}
