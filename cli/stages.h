#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/outcome.h"
#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/survey_parser.h"

// A command of tamselctl is a list of stages. A stage queues one or more web commands and
// waits for the results of those it names; when all of them are good the next stage
// starts, the first failure ends the run. A named command that ends with completion code
// 5, 6 or 7 is a failure whatever it brought (JudgeResult); the commands a stage does not
// name are the deliberate exceptions documented below. The same lists feed the dry run, which only
// writes what each stage would queue, so a dry run and a real run send the same bytes.
struct Stage {
    std::function<void(IWebCommandSink&, const DeviceTarget&)> queue;
    // The results that decide the stage, in the order they arrive. Others (the
    // UNCHECKREPEATER before REPEATER) are taken without a judgement, as the wizard does.
    // With none, the next stage starts as soon as this one is queued.
    std::vector<std::wstring> awaited;
    // The message for a network failure, and for an answer the device refused with no
    // message of its own (0: only the detail line).
    int networkMessageId = kMsgRepeaterTimeout;
    int refusedMessageId = 0;
    // A further check of an answer that passed JudgeResult.
    std::function<Verdict(const WebResult&)> inspect;
    // Reads a good answer.
    std::function<void(const WebResult&)> onGood;
    // Wait before queuing (the device is going down for a reboot).
    uint32_t delayMs = 0;
    // While this many milliseconds have not passed since the stage began, a network
    // failure (but an answer cut off for its size) queues the stage again after
    // `retryGapMs` instead of ending the run.
    uint32_t retryForMs = 0;
    uint32_t retryGapMs = 0;
};

// LANINFO, WANINFO, GETSTATUS in turn, each page read into `status`.
std::vector<Stage> StatusStages(DeviceStatus& status);
// SITESURVEY, the networks read into `networks`.
std::vector<Stage> SurveyStages(std::vector<SurveyNetwork>& networks);
// UNCHECKREPEATER + REPEATER, then REBOOT.
std::vector<Stage> BridgeStages(const RepeaterSettings& settings);
// SETUPIPADDRESS (its answer is the status page, read into `status`), then REBOOT.
std::vector<Stage> SetIpStages(const std::wstring& ip, const std::wstring& mask, bool dhcpOn,
                               DeviceStatus& status);
// SETUPPASSWORD with the device's current password.
std::vector<Stage> SetPasswordStages(const std::wstring& devicePassword,
                                     const std::wstring& newPassword);
// UPLOAD ("Invalid file format!" in a good answer is a refusal with message 254, no good
// answer is message 139), REBOOT, then GETSTATUS after `settleMs` and again until it
// answers, for up to `waitMs`, the page read into `status`. The REBOOT is sent as the
// firmware page sends it but not judged: a device that restarts by itself after taking
// the image does not answer it.
std::vector<Stage> UpgradeStages(const std::string& imagePath, uint32_t settleMs, uint32_t waitMs,
                                 DeviceStatus& status);
std::vector<Stage> RebootStages();
// RESETDEFAULT and REBOOT queued together, as the reset page does.
std::vector<Stage> ResetStages();

// Writes what the stages would queue, in order, into `sink`.
void QueueAllStages(const std::vector<Stage>& stages, IWebCommandSink& sink,
                    const DeviceTarget& target);
