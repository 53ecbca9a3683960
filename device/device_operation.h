#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/answer_verdict.h"
#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "web/web_result.h"

// How a run reads the device's answers.
enum class AnswerReading {
    // The wizard's: each step goes on by its own tolerant rule (below); the pages take
    // much of what a device sends as good enough to go on.
    kTolerant,
    // tamselctl's: a step goes on only with a good page (JudgeAnswer); a script must never
    // take half an exchange for the whole one.
    kStrict,
};

// Which answers a step takes when the reading is tolerant.
enum class TolerantRule {
    kUnlessExchangeFailed,  // any but a failure code (5, 6, 7)
    kAnyAnswer,             // whatever came back, even nothing
    kGoodPageOnly,          // a good page ("HTTP" and "200"), whatever the code
};

// What a step's good answer means; told to the observer.
enum class OperationOutcome {
    kLanPageRead,         // LANINFO
    kInterfacePageRead,   // WANINFO
    kStatusPageRead,      // GETSTATUS of the status read
    kSurveyReceived,      // SITESURVEY: the networks are in
    kBridgingAccepted,    // REPEATER
    kAddressChangeTaken,  // SETUPIPADDRESS
    kPasswordChanged,     // SETUPPASSWORD
    kUploadAccepted,      // UPLOAD
    kRebootQueued,        // REBOOT sent without waiting for its answer
    kDeviceRestarting,    // REBOOT (and RESETDEFAULT) answered
    kDeviceBack,          // GETSTATUS after a restart
};

// A step that did not go on: the command whose answer ended it and the judgement.
struct OperationFailure {
    std::wstring command;
    AnswerVerdict verdict;
};

// Told what becomes of an operation. Calls come from the runner's result ticks, which
// may run nested inside a modal loop that an earlier call started; the runner's state is
// already up to date when a call is made.
class IOperationObserver {
public:
    virtual ~IOperationObserver() = default;
    // A step had the good answers it awaits; `outcome` says what they mean.
    virtual void OnOutcome(OperationOutcome /*outcome*/) {}
    // The operation ended on a failure; no further call follows.
    virtual void OnFailed(const OperationFailure& /*failure*/) {}
    // The last step is done (at once for an operation without steps).
    virtual void OnFinished() {}
};

// An observer made of functions, for a caller that follows several operations.
class OperationCallbacks : public IOperationObserver {
public:
    std::function<void(OperationOutcome)> onOutcome;
    std::function<void(const OperationFailure&)> onFailed;
    std::function<void()> onFinished;

    void OnOutcome(OperationOutcome outcome) override {
        if (onOutcome) {
            onOutcome(outcome);
        }
    }
    void OnFailed(const OperationFailure& failure) override {
        if (onFailed) {
            onFailed(failure);
        }
    }
    void OnFinished() override {
        if (onFinished) {
            onFinished();
        }
    }
};

// One step of an operation: the requests it queues, the answers that decide it (in the
// order they arrive; the others its requests bring, such as the UNCHECKREPEATER before
// REPEATER, are taken without a judgement), and how those are judged and read. A step
// that awaits nothing is done once it is queued.
struct OperationStep {
    std::function<void(IWebCommandSink&, const DeviceTarget&)> queue;
    std::vector<std::wstring> awaited;
    // Told once every awaited answer was good.
    std::optional<OperationOutcome> outcome;
    TolerantRule tolerantRule = TolerantRule::kUnlessExchangeFailed;
    // The message for a network failure, and for an answer the device refused with no
    // message of its own (0: only the detail line).
    int networkMessageId = kMsgRepeaterTimeout;
    int refusedMessageId = 0;
    // A refusal the device writes into an otherwise good page, in any reading.
    std::function<std::optional<AnswerVerdict>(const WebResult&)> refusalInPage;
    // Reads a good page of an awaited answer that was taken (the parsers).
    std::function<void(const WebResult&)> read;
    // Wait before queuing (the device is going down for a reboot).
    uint32_t delayMs = 0;
    // While this many milliseconds have not passed since the step began, a network
    // failure (but an answer cut off for its size or a host that cannot be set up) queues
    // the step again after `retryGapMs` instead of ending the operation.
    uint32_t retryForMs = 0;
    uint32_t retryGapMs = 0;
};

// A device operation: its steps in order, each queued only after its predecessor was good.
struct DeviceOperation {
    std::wstring name;
    std::vector<OperationStep> steps;

    // Queues every step's requests in order and judges nothing: what the operation would
    // send (tamselctl's dry run).
    void QueueAll(IWebCommandSink& sink, const DeviceTarget& target) const;
};

// The judgement of an awaited answer of `step` under `reading`.
AnswerVerdict JudgeStepAnswer(const OperationStep& step, const WebResult& result,
                              AnswerReading reading);
