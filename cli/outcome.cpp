#include "cli/outcome.h"

#include <cwctype>

#include "cli/text.h"
#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/survey_parser.h"
#include "web/web_manager.h"

namespace {

bool IsFailureCode(uint32_t code) {
    return code == CWEBManager::kTimedOut || code == CWEBManager::kClosedWithError ||
           code == CWEBManager::kAddressSetupFailed;
}

Verdict NetworkFailure(const WebResult& result, int messageId) {
    std::wstring detail = FormatString(
        kCliNoUsableAnswer,
        {result.command, CompletionCodeName(result.code), std::to_wstring(result.code)});
    return Verdict{ExitCode::kNetwork, messageId, detail};
}

}  // namespace

std::optional<int> HttpStatusOf(const std::wstring& response) {
    // "HTTP/" digit "." digit space NNN
    if (response.compare(0, 5, L"HTTP/") != 0) {
        return std::nullopt;
    }
    const size_t space = response.find(L' ');
    if (space == std::wstring::npos || space > 12 || space + 4 > response.size()) {
        return std::nullopt;
    }
    int status = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (!std::iswdigit(static_cast<wint_t>(response[i]))) {
            return std::nullopt;
        }
        status = status * 10 + (response[i] - L'0');
    }
    return status;
}

bool CompletionCodeDecides(const std::wstring& command) {
    for (const wchar_t* name :
         {kCommandLanInfo, kCommandWanInfo, kCommandGetStatus, kCommandRepeater}) {
        if (EqualsIgnoreCase(command, name)) {
            return true;
        }
    }
    return false;
}

Verdict JudgeResult(const WebResult& result, int networkMessageId) {
    const bool failed = IsFailureCode(result.code);
    if (failed && CompletionCodeDecides(result.command)) {
        return NetworkFailure(result, networkMessageId);
    }
    const std::optional<int> status = HttpStatusOf(result.response);
    if (status == 401) {
        return Verdict{ExitCode::kCredentials, kMsgLoginIncorrect,
                       FormatString(kCliHttpStatus, {result.command, L"401"})};
    }
    // A status line other than 200 is an error page, even when "200" appears elsewhere in
    // it (a content length, say), which the plain "good answer" test would let through.
    if (status.has_value() && *status != 200) {
        return Verdict{ExitCode::kRefused, 0,
                       FormatString(kCliHttpStatus, {result.command, std::to_wstring(*status)})};
    }
    if (IsGoodAnswer(result.response)) {
        return Verdict::Success();
    }
    if (failed || result.response.empty()) {
        return NetworkFailure(result, networkMessageId);
    }
    return Verdict{ExitCode::kRefused, 0, FormatString(kCliNotSuccessPage, {result.command})};
}

std::wstring CompletionCodeName(uint32_t code) {
    switch (code) {
        case CWEBManager::kClosedNormally:
            return LoadString(kCliCodeClosedNormally);
        case CWEBManager::kTimedOut:
            return LoadString(kCliCodeTimedOut);
        case CWEBManager::kClosedWithError:
            return LoadString(kCliCodeClosedWithError);
        case CWEBManager::kAddressSetupFailed:
            return LoadString(kCliCodeSetupFailed);
        default:
            return std::to_wstring(code);
    }
}
