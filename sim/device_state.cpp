#include "sim/device_state.h"

DeviceState::DeviceState(const SimOptions& options)
    : mac_(options.mac),
      model_(options.model),
      survey_(options.survey),
      firmwareVersion_(options.firmwareVersion) {
    factory_.lan.ip = options.ip;
    factory_.lan.mask = options.mask;
    factory_.lan.dhcpServer = options.dhcp;
    DefaultDhcpRange(factory_.lan);
    factory_.user = options.user;
    factory_.password = options.password;
    saved_ = factory_;
    running_ = factory_;
}

void DeviceState::ChangePassword(const std::string& password) {
    running_.password = password;
    saved_.password = password;
}

void DeviceState::DisableRepeater() {
    running_.bridging.enabled = false;
    saved_.bridging.enabled = false;
}

void DeviceState::ConfigureBridging(const Bridging& bridging) {
    running_.bridging = bridging;
    saved_.bridging = bridging;
}

void DeviceState::Boot() {
    running_ = saved_;
    if (stagedFirmware_) {
        firmwareVersion_ = *stagedFirmware_;
        stagedFirmware_.reset();
    }
}

DiscoveryIdentity DeviceState::Identity() const {
    return DiscoveryIdentity{mac_,          model_,           running_.lan.ip, running_.lan.mask,
                             running_.user, running_.password};
}

void DeviceState::DefaultDhcpRange(LanSettings& lan) {
    std::string prefix = lan.ip.substr(0, lan.ip.rfind('.'));
    lan.dhcpRangeStart = prefix + ".100";
    lan.dhcpRangeEnd = prefix + ".200";
}
