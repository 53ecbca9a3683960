#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_operation.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/survey_parser.h"

// The device operations the wizard's pages and tamselctl both run: which requests, in
// what order, what each answer means. Each takes its inputs as a plain struct.
//
// A change that restarts the device ends either where its restart begins, for a caller
// that runs the restart wait (device/restart_wait.h, which queues the REBOOT itself), or
// with the REBOOT as a step of its own.
enum class RestartHandling {
    kByRestartWait,  // the caller runs RestartWait once the operation has finished
    kRebootStep,     // REBOOT is the operation's last step (the upgrade: see below)
};

// LANINFO, WANINFO, GETSTATUS in turn, each page read into `status`.
DeviceOperation ReadStatusOperation(DeviceStatus& status);

// SITESURVEY, the networks read into `networks`.
DeviceOperation SurveyOperation(std::vector<SurveyNetwork>& networks);

// UNCHECKREPEATER + REPEATER (only REPEATER's answer decides), then the restart.
DeviceOperation BridgeOperation(const RepeaterSettings& settings, RestartHandling restart);

// A new LAN address for the device and its DHCP server on or off.
struct LanAddressChange {
    std::wstring ip;  // dotted, as the address fields show it
    std::wstring mask;
    bool dhcpServerOn = false;
};
// The DHCP mode SETUPIPADDRESS sends: "2" on, "0" off.
std::wstring DhcpModeOf(bool dhcpServerOn);
// SETUPIPADDRESS (its answer is the status page, read into `status`), then the restart.
// The device may switch to its new address before it answers, so the tolerant reading
// takes whatever came back.
DeviceOperation SetLanAddressOperation(const LanAddressChange& change, DeviceStatus& status,
                                       RestartHandling restart);

// The administrator password: the device's current one, as its login has it, and the new.
struct PasswordChange {
    std::wstring devicePassword;
    std::wstring newPassword;
};
// SETUPPASSWORD; a refused or lost change fails with message 207 in any reading.
DeviceOperation ChangePasswordOperation(const PasswordChange& change);

// A firmware image to upload, and how long to look for the device afterwards.
struct FirmwareUpgrade {
    std::string imagePath;  // the file system's bytes
    // With RestartHandling::kRebootStep: the wait after the REBOOT before the status page
    // is asked for, and how long it is asked for again until it answers.
    uint32_t settleMs = 0;
    uint32_t comeBackMs = 0;
    // The message when the device does not come back (0: the network failure's own).
    int notBackMessageId = 0;
};
// How often a device that is not back yet is asked again.
inline constexpr uint32_t kComeBackPollGapMs = 2000;
// UPLOAD ("Invalid file format!" in a good answer is a refusal with message 254, no good
// answer is message 139). With kRebootStep then REBOOT, sent as the firmware page sends it
// but not judged (a device that restarts by itself after taking the image does not answer
// it), and GETSTATUS after `settleMs` and again until it answers, for up to `comeBackMs`,
// the page read into `status`.
DeviceOperation UpgradeFirmwareOperation(const FirmwareUpgrade& upgrade, DeviceStatus& status,
                                         RestartHandling restart);

// With kRebootStep REBOOT, awaited; with kByRestartWait nothing (the wait queues it).
DeviceOperation RebootOperation(RestartHandling restart);
// RESETDEFAULT then the reboot. With kRebootStep both are queued together and both
// answers awaited; with kByRestartWait RESETDEFAULT alone, unawaited.
DeviceOperation FactoryResetOperation(RestartHandling restart);
