#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/exit_codes.h"
#include "device/answer_verdict.h"
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

// The exit code for an answer's fault: a host that refuses to reach the device is refused
// input; the others keep their names.
ExitCode ExitCodeFor(AnswerFault fault);
// The core's judgement of an answer, as tamselctl ends with it.
Verdict VerdictOf(const AnswerVerdict& verdict);

// Judges a result strictly (JudgeAnswer) and gives tamselctl's verdict.
Verdict JudgeResult(const WebResult& result, int networkMessageId = kMsgRepeaterTimeout);
