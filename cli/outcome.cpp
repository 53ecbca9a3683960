#include "cli/outcome.h"

ExitCode ExitCodeFor(AnswerFault fault) {
    switch (fault) {
        case AnswerFault::kNone:
            return ExitCode::kSuccess;
        case AnswerFault::kNetwork:
            return ExitCode::kNetwork;
        case AnswerFault::kRefused:
            return ExitCode::kRefused;
        case AnswerFault::kCredentials:
            return ExitCode::kCredentials;
        case AnswerFault::kHostRefused:
            return ExitCode::kUsage;
    }
    return ExitCode::kInternal;
}

Verdict VerdictOf(const AnswerVerdict& verdict) {
    return Verdict{ExitCodeFor(verdict.fault), verdict.messageId, verdict.detail};
}

Verdict JudgeResult(const WebResult& result, int networkMessageId) {
    return VerdictOf(JudgeAnswer(result, networkMessageId));
}
