#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/discovery_datagrams.h"
#include "sim/sim_options.h"

struct LanSettings {
    std::string ip;
    std::string mask;
    bool dhcpServer = true;
    std::string dhcpRangeStart;
    std::string dhcpRangeEnd;
};

// The station ("repeater") link to an upstream wireless network.
struct Bridging {
    bool enabled = false;
    std::string ssid;
    std::string channel;
    int encryptType = 0;  // 0 none, 1 WEP, 2 WPA
    int wepLength = 0;    // 0 64-bit, 1 128-bit
    int defaultKey = 0;
    int wpaCipher = 0;  // 0 TKIP, 1 AES
    std::string key;    // the WEP default key or the pre-shared key, as sent
};

struct DeviceConfig {
    LanSettings lan;
    std::string user;
    std::string password;
    Bridging bridging;
};

// What the simulated repeater knows about itself. Like the real device it keeps two
// copies of its configuration: the one in effect ("running") and the one saved to flash,
// which becomes the running one at the next boot. Forms that the device applies at once
// (password, bridging) write both; the LAN form and the factory reset write flash only.
class DeviceState {
public:
    explicit DeviceState(const SimOptions& options);

    const MacAddress& mac() const { return m_mac; }
    const std::string& model() const { return m_model; }
    const std::vector<SurveyNetwork>& survey() const { return m_survey; }
    const DeviceConfig& running() const { return m_running; }
    const DeviceConfig& saved() const { return m_saved; }
    const std::string& firmwareVersion() const { return m_firmwareVersion; }

    void SaveLanSettings(const LanSettings& lan) { m_saved.lan = lan; }
    void ChangePassword(const std::string& password);
    void DisableRepeater();
    void ConfigureBridging(const Bridging& bridging);
    void RestoreFactoryDefaults() { m_saved = m_factory; }
    void StageFirmware(const std::string& version) { m_stagedFirmware = version; }

    // The device comes back up: flash becomes the running configuration and a staged
    // firmware image becomes the running code.
    void Boot();

    // A hostile device decorates the texts it reports (model, mask, firmware version,
    // interface values, survey fields) with terminal control sequences.
    void SetEscapeValues(bool on) { m_escapeValues = on; }
    // `value` as the device reports it.
    std::string Reported(std::string_view value) const;

    // The identity of discovery replies: the LAN address in effect, and the model and
    // mask as reported.
    DiscoveryIdentity Identity() const;

    // A DHCP pool of .100 to .200 in the subnet of `ip`, the device's own default.
    static void DefaultDhcpRange(LanSettings& lan);

private:
    MacAddress m_mac;
    std::string m_model;
    std::vector<SurveyNetwork> m_survey;
    DeviceConfig m_factory;
    DeviceConfig m_saved;
    DeviceConfig m_running;
    std::string m_firmwareVersion;
    std::optional<std::string> m_stagedFirmware;
    bool m_escapeValues = false;
};

// What a device with escapeValues appends to its texts: a clear-screen CSI, a window
// title set by OSC (ended by BEL), a carriage return, the 8-bit C1 CSI (0x9b, which
// Windows-1252 maps to a printable character), another BEL and a DEL. "owned" is the
// visible part, so a reader can tell an escaped value from a dropped one.
inline constexpr char kTerminalEscapes[] =
    "\x1b[2J\x1b]0;owned\x07\r\x9b"
    "1m\x07\x7f";
