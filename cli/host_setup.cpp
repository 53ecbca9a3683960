#include "cli/host_setup.h"

#include "hostnet/host_addressing.h"
#include "platform/linux/rtnl_host_network.h"
#include "platform/tick_clock.h"

namespace {

// The Linux host addressing with the rtnetlink back end it works through.
class LinuxHostAddressSetup : public IHostAddressSetup {
public:
    LinuxHostAddressSetup() : m_addressing(m_network, ThreadSleeper::Instance()) {}

    std::wstring PrepareHostAddress(const std::wstring& deviceIp,
                                    const std::wstring& deviceMask) override {
        return m_addressing.PrepareHostAddress(deviceIp, deviceMask);
    }
    bool RemoveTempAddress() override { return m_addressing.RemoveTempAddress(); }

private:
    RtnlHostNetwork m_network;  // declared first: the addressing uses it until its end
    HostAddressing m_addressing;
};

}  // namespace

std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup() {
    return std::make_unique<LinuxHostAddressSetup>();
}

std::vector<std::string> MissingHostSetupCapabilities() {
    return MissingNetworkCapabilities();
}
