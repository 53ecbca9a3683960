#include "device/answer_verdict.h"

#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/survey_parser.h"
#include "web/web_command_queue.h"

namespace {

AnswerVerdict NetworkFailure(const WebResult& result, int messageId) {
    std::wstring detail = FormatString(
        kCliNoUsableAnswer,
        {result.command, CompletionCodeName(result.code), std::to_wstring(result.code)});
    return AnswerVerdict{AnswerFault::kNetwork, messageId, detail};
}

}  // namespace

AnswerVerdict JudgeAnswer(const WebResult& result, int networkMessageId) {
    // A set-up that failed for a reason the user can act on says that reason, in one line:
    // a device the rules refuse is refused input, missing rights a network failure.
    if (result.code == WebCommandQueue::kAddressSetupFailed && result.setupFailure.Known()) {
        const bool refused = result.setupFailure.kind == HostSetupFailure::Kind::kDeviceRefused;
        return AnswerVerdict{refused ? AnswerFault::kHostRefused : AnswerFault::kNetwork, 0,
                             result.setupFailure.detail};
    }
    if (result.oversized) {
        const uint64_t limitMiB = WebCommandQueue::kMaxResponseBytes / (1024 * 1024);
        return AnswerVerdict{
            AnswerFault::kNetwork, 0,
            FormatString(kCliAnswerTooLong, {result.command, std::to_wstring(limitMiB)})};
    }
    const bool failed = IsFailureCode(result.code);
    if (failed && CompletionCodeDecides(result.command)) {
        return NetworkFailure(result, networkMessageId);
    }
    const std::optional<int> status = HttpStatusOf(result.response);
    if (status == 401) {
        return AnswerVerdict{AnswerFault::kCredentials, kMsgLoginIncorrect,
                             FormatString(kCliHttpStatus, {result.command, L"401"})};
    }
    // A status line other than 200 is an error page, even when "200" appears elsewhere in
    // it (a content length, say), which the plain "good answer" test would let through.
    if (status.has_value() && *status != 200) {
        return AnswerVerdict{
            AnswerFault::kRefused, 0,
            FormatString(kCliHttpStatus, {result.command, std::to_wstring(*status)})};
    }
    // An exchange that did not finish (the device kept the connection open past the
    // limit, broke it, or was never reached) is never a success here, whatever arrived:
    // a script must not take half a survey for the whole one.
    if (failed || result.response.empty()) {
        return NetworkFailure(result, networkMessageId);
    }
    if (IsGoodAnswer(result.response)) {
        return AnswerVerdict::Success();
    }
    return AnswerVerdict{AnswerFault::kRefused, 0,
                         FormatString(kCliNotSuccessPage, {result.command})};
}

std::wstring CompletionCodeName(uint32_t code) {
    switch (code) {
        case WebCommandQueue::kClosedNormally:
            return LoadString(kCliCodeClosedNormally);
        case WebCommandQueue::kTimedOut:
            return LoadString(kCliCodeTimedOut);
        case WebCommandQueue::kClosedWithError:
            return LoadString(kCliCodeClosedWithError);
        case WebCommandQueue::kAddressSetupFailed:
            return LoadString(kCliCodeSetupFailed);
        default:
            return std::to_wstring(code);
    }
}
