#include "web/web_result.h"

#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "web/request_catalogue.h"

std::wstring WebResult::ResponseText() const {
    return AnsiToWide(response.data(), response.size());
}

bool IsFailureCode(uint32_t code) {
    return code == kWebTimedOut || code == kWebClosedWithError || code == kWebSetupFailed;
}

int FailedCommandMessage(const WebResult& result) {
    if (result.code == kWebSetupFailed) {
        return HostSetupFailureMessage(result.setupFailure);
    }
    return kMsgRepeaterTimeout;
}

bool IsGoodAnswer(std::string_view response) {
    return response.find("HTTP") != std::string_view::npos &&
           response.find("200") != std::string_view::npos;
}

bool CompletionCodeDecides(std::wstring_view command) {
    for (const wchar_t* name :
         {kCommandLanInfo, kCommandWanInfo, kCommandGetStatus, kCommandRepeater}) {
        if (EqualsIgnoreCase(command, name)) {
            return true;
        }
    }
    return false;
}

std::optional<int> HttpStatusOf(std::string_view response) {
    // "HTTP/" digit "." digit space NNN
    if (response.substr(0, 5) != "HTTP/") {
        return std::nullopt;
    }
    const size_t space = response.find(' ');
    if (space == std::string_view::npos || space > 12 || space + 4 > response.size()) {
        return std::nullopt;
    }
    int status = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (response[i] < '0' || response[i] > '9') {
            return std::nullopt;
        }
        status = status * 10 + (response[i] - '0');
    }
    return status;
}
