#include "hostnet/linux_host_address_setup.h"

#include <string>

#include "hostnet/host_addressing.h"
#include "platform/linux/rtnl_host_network.h"
#include "platform/tick_clock.h"

namespace {

// Keeps the network back end alive for as long as the addressing that uses it.
class LinuxHostAddressSetup : public IHostAddressSetup {
public:
    LinuxHostAddressSetup() : m_addressing(m_network, ThreadSleeper::Instance()) {}

    std::wstring PrepareHostAddress(const std::wstring& deviceIp,
                                    const std::wstring& deviceMask) override {
        return m_addressing.PrepareHostAddress(deviceIp, deviceMask);
    }
    void CancelSetup() override { m_addressing.CancelSetup(); }
    bool RemoveTempAddress() override { return m_addressing.RemoveTempAddress(); }

private:
    RtnlHostNetwork m_network;  // declared first: the addressing uses it until its end
    HostAddressing m_addressing;
};

}  // namespace

std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup() {
    return std::make_unique<LinuxHostAddressSetup>();
}
