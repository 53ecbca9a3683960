#pragma once

#include <cstdint>
#include <string>

#include "resources/string_ids.h"
#include "web/web_result.h"

// What went wrong with an answer, in the kinds a caller tells apart: tamselctl turns each
// into its exit code, a later report into done, refused or network failure.
enum class AnswerFault {
    kNone,
    // No usable answer: a time-out, a broken or refused connection, a failed host address
    // set-up for want of rights, an answer cut off for its size.
    kNetwork,
    // The device answered but refused the request (an error page, "Invalid file format!").
    kRefused,
    // The device refused the credentials (an HTTP 401 answer).
    kCredentials,
    // The host's rules refused to reach this device (one outside the private networks).
    kHostRefused,
};

// The judgement of one answer: its fault, the string-table message to show (0: none) and
// a line of detail.
struct AnswerVerdict {
    AnswerFault fault = AnswerFault::kNone;
    int messageId = 0;
    std::wstring detail;

    bool Ok() const { return fault == AnswerFault::kNone; }
    static AnswerVerdict Success() { return AnswerVerdict{}; }
};

// Judges an answer strictly, as a script must read it:
//  - a host address set-up that failed for a known reason: that reason in one line, as
//    refused by the host (a device outside the private networks) or a network failure
//    (missing rights);
//  - an answer the queue cut off for its size: network failure, saying so;
//  - a failing completion code (5, 6, 7) of a start-up read or the bridging form:
//    network failure;
//  - a 401 status line: credentials refused (message 138);
//  - another status line than 200: the device refused the request;
//  - any other failing completion code, or no answer at all: network failure. Unlike the
//    wizard, a strict reading never takes an unfinished exchange for a success;
//  - a good answer ("HTTP" and "200"): success;
//  - anything else: the device refused the request.
// `networkMessageId` is the text for a network failure (207, or 139 for the upload).
AnswerVerdict JudgeAnswer(const WebResult& result, int networkMessageId = kMsgRepeaterTimeout);

// A readable name for a completion code, for the detail lines.
std::wstring CompletionCodeName(uint32_t code);
