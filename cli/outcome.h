#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/exit_codes.h"
#include "resources/string_ids.h"

// One finished web command as the queue hands it back.
struct WebResult {
    std::wstring command;
    uint32_t code = 0;  // 4 closed normally, 5 timed out, 6 closed with an error, 7 set-up failed
    std::wstring response;
};

// What tamselctl makes of a result: success, or a failure with the exit code it ends
// with, the string-table message to show and a line of detail.
struct Verdict {
    ExitCode exitCode = ExitCode::kSuccess;
    int messageId = 0;
    std::wstring detail;

    bool Ok() const { return exitCode == ExitCode::kSuccess; }
    static Verdict Success() { return Verdict{}; }
};

// The status code of the response's status line ("HTTP/1.x NNN ..."), if it has one.
std::optional<int> HttpStatusOf(const std::wstring& response);

// The start-up reads and the bridging form count as failed when the exchange ended by
// time-out, error or a failed set-up, even with a full answer in hand; for every other
// command only the answer decides.
bool CompletionCodeDecides(const std::wstring& command);

// Judges a result:
//  - a failing completion code of a command it decides for: network failure;
//  - a 401 status line: credentials refused (message 138);
//  - another status line than 200: the device refused the request;
//  - a good answer ("HTTP" and "200"): success;
//  - nothing usable after a failing code, or no answer at all: network failure;
//  - anything else: the device refused the request.
// `networkMessageId` is the text for a network failure (207, or 139 for the upload).
Verdict JudgeResult(const WebResult& result, int networkMessageId = kMsgRepeaterTimeout);

// A readable name for a completion code, for the detail lines.
std::wstring CompletionCodeName(uint32_t code);
