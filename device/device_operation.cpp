#include "device/device_operation.h"

namespace {

AnswerVerdict JudgeTolerantly(const OperationStep& step, const WebResult& result) {
    switch (step.tolerantRule) {
        case TolerantRule::kAnyAnswer:
            return AnswerVerdict::Success();
        case TolerantRule::kUnlessExchangeFailed:
            // A repeater the PC may not be set up for, or rights the user lacks, are said
            // as such: the repeater is not at fault.
            if (IsFailureCode(result.code)) {
                return AnswerVerdict{AnswerFault::kNetwork, FailedCommandMessage(result),
                                     std::wstring()};
            }
            return AnswerVerdict::Success();
        case TolerantRule::kGoodPageOnly:
            if (!IsGoodAnswer(result.response)) {
                return AnswerVerdict{AnswerFault::kNetwork, step.networkMessageId, std::wstring()};
            }
            return AnswerVerdict::Success();
    }
    return AnswerVerdict::Success();
}

AnswerVerdict JudgeStrictly(const OperationStep& step, const WebResult& result) {
    AnswerVerdict verdict = JudgeAnswer(result, step.networkMessageId);
    if (verdict.fault == AnswerFault::kRefused && verdict.messageId == 0) {
        verdict.messageId = step.refusedMessageId;
    }
    return verdict;
}

}  // namespace

void DeviceOperation::QueueAll(IWebCommandSink& sink, const DeviceTarget& target) const {
    for (const OperationStep& step : steps) {
        step.queue(sink, target);
    }
}

AnswerVerdict JudgeStepAnswer(const OperationStep& step, const WebResult& result,
                              AnswerReading reading) {
    AnswerVerdict verdict = reading == AnswerReading::kStrict ? JudgeStrictly(step, result)
                                                              : JudgeTolerantly(step, result);
    if (verdict.Ok() && step.refusalInPage && IsGoodAnswer(result.response)) {
        if (std::optional<AnswerVerdict> refusal = step.refusalInPage(result)) {
            return *refusal;
        }
    }
    return verdict;
}
