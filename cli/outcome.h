#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/exit_codes.h"
#include "resources/string_ids.h"
#include "web/web_result.h"

// What tamselctl makes of a result: success, or a failure with the exit code it ends
// with, the string-table message to show and a line of detail.
struct Verdict {
    ExitCode exitCode = ExitCode::kSuccess;
    int messageId = 0;
    std::wstring detail;

    bool Ok() const { return exitCode == ExitCode::kSuccess; }
    static Verdict Success() { return Verdict{}; }
};

// Judges a result:
//  - a host address set-up that failed for a known reason: that reason in one line, as
//    refused input (a device outside the private networks) or a network failure (missing
//    rights);
//  - an answer the queue cut off for its size: network failure, saying so;
//  - a failing completion code (5, 6, 7) of a start-up read or the bridging form:
//    network failure;
//  - a 401 status line: credentials refused (message 138);
//  - another status line than 200: the device refused the request;
//  - any other failing completion code, or no answer at all: network failure. Unlike the
//    wizard, tamselctl never takes an unfinished exchange for a success;
//  - a good answer ("HTTP" and "200"): success;
//  - anything else: the device refused the request.
// `networkMessageId` is the text for a network failure (207, or 139 for the upload).
Verdict JudgeResult(const WebResult& result, int networkMessageId = kMsgRepeaterTimeout);

// A readable name for a completion code, for the detail lines.
std::wstring CompletionCodeName(uint32_t code);
