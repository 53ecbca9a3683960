#pragma once

#include <optional>
#include <string>
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

    const MacAddress& mac() const { return mac_; }
    const std::string& model() const { return model_; }
    const std::vector<SurveyNetwork>& survey() const { return survey_; }
    const DeviceConfig& running() const { return running_; }
    const DeviceConfig& saved() const { return saved_; }
    const std::string& firmwareVersion() const { return firmwareVersion_; }

    void SaveLanSettings(const LanSettings& lan) { saved_.lan = lan; }
    void ChangePassword(const std::string& password);
    void DisableRepeater();
    void ConfigureBridging(const Bridging& bridging);
    void RestoreFactoryDefaults() { saved_ = factory_; }
    void StageFirmware(const std::string& version) { stagedFirmware_ = version; }

    // The device comes back up: flash becomes the running configuration and a staged
    // firmware image becomes the running code.
    void Boot();

    DiscoveryIdentity Identity() const;

    // A DHCP pool of .100 to .200 in the subnet of `ip`, the device's own default.
    static void DefaultDhcpRange(LanSettings& lan);

private:
    MacAddress mac_;
    std::string model_;
    std::vector<SurveyNetwork> survey_;
    DeviceConfig factory_;
    DeviceConfig saved_;
    DeviceConfig running_;
    std::string firmwareVersion_;
    std::optional<std::string> stagedFirmware_;
};
