#include "hostnet/linux_host_address_setup.h"

#include <string>

#include "hostnet/host_addressing.h"
#include "hostnet/local_host_network.h"
#include "platform/linux/capabilities.h"
#include "platform/linux/netadmin_host_network.h"
#include "platform/tick_clock.h"

namespace {

// Keeps the network back end alive for as long as the addressing that uses it.
class LinuxHostAddressSetup : public IHostAddressSetup {
public:
    LinuxHostAddressSetup()
        : m_network(MakeHostNetwork()), m_addressing(*m_network, ThreadSleeper::Instance()) {}

    HostSetupResult PrepareHostAddress(const std::wstring& deviceIp,
                                       const std::wstring& deviceMask) override {
        return m_addressing.PrepareHostAddress(deviceIp, deviceMask);
    }
    void CancelSetup() override { m_addressing.CancelSetup(); }
    bool RemoveTempAddress() override { return m_addressing.RemoveTempAddress(); }
    std::optional<HostAddressContext> TempAddress() const override {
        return m_addressing.TempAddress();
    }

private:
    // Declared first: the addressing uses it until its end.
    std::unique_ptr<IHostNetwork> m_network;
    HostAddressing m_addressing;
};

}  // namespace

// In process when the program has the rights itself (root, or capabilities granted to it);
// otherwise through the network helper, which alone carries them.
std::unique_ptr<IHostNetwork> MakeHostNetwork() {
    if (MissingNetworkCapabilities().empty()) {
        return std::make_unique<LocalHostNetwork>();
    }
    return std::make_unique<NetAdminHostNetwork>();
}

std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup() {
    return std::make_unique<LinuxHostAddressSetup>();
}
