#include "app/host_setup_factory.h"

#include <string>

#include "hostnet/host_addressing.h"
#include "platform/linux/rtnl_host_network.h"
#include "platform/tick_clock.h"

namespace {

// Keeps the network back end alive for as long as the addressing that uses it.
class LinuxHostAddressSetup : public IHostAddressSetup {
public:
    LinuxHostAddressSetup() : addressing_(network_, ThreadSleeper::Instance()) {}

    std::wstring PrepareHostAddress(const std::wstring& deviceIp,
                                    const std::wstring& deviceMask) override {
        return addressing_.PrepareHostAddress(deviceIp, deviceMask);
    }
    bool RemoveTempAddress() override { return addressing_.RemoveTempAddress(); }

private:
    RtnlHostNetwork network_;
    HostAddressing addressing_;
};

}  // namespace

std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup() {
    return std::make_unique<LinuxHostAddressSetup>();
}
