#include "sim/device_state.h"

DeviceState::DeviceState(const SimOptions& options)
    : m_mac(options.mac),
      m_model(options.model),
      m_survey(options.survey),
      m_firmwareVersion(options.firmwareVersion),
      m_escapeValues(options.misbehaviour.escapeValues) {
    m_factory.lan.ip = options.ip;
    m_factory.lan.mask = options.mask;
    m_factory.lan.dhcpServer = options.dhcp;
    DefaultDhcpRange(m_factory.lan);
    m_factory.user = options.user;
    m_factory.password = options.password;
    m_saved = m_factory;
    m_running = m_factory;
}

void DeviceState::ChangePassword(const std::string& password) {
    m_running.password = password;
    m_saved.password = password;
}

void DeviceState::DisableRepeater() {
    m_running.bridging.enabled = false;
    m_saved.bridging.enabled = false;
}

void DeviceState::ConfigureBridging(const Bridging& bridging) {
    m_running.bridging = bridging;
    m_saved.bridging = bridging;
}

void DeviceState::Boot() {
    m_running = m_saved;
    if (m_stagedFirmware) {
        m_firmwareVersion = *m_stagedFirmware;
        m_stagedFirmware.reset();
    }
}

std::string DeviceState::Reported(std::string_view value) const {
    std::string text(value);
    if (m_escapeValues) {
        text += kTerminalEscapes;
    }
    return text;
}

DiscoveryIdentity DeviceState::Identity() const {
    return DiscoveryIdentity{
        m_mac,          Reported(m_model), m_running.lan.ip, Reported(m_running.lan.mask),
        m_running.user, m_running.password};
}

void DeviceState::DefaultDhcpRange(LanSettings& lan) {
    std::string prefix = lan.ip.substr(0, lan.ip.rfind('.'));
    lan.dhcpRangeStart = prefix + ".100";
    lan.dhcpRangeEnd = prefix + ".200";
}
