#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "apply/apply_plan.h"

// What became of one planned change.
enum class StepResult { kChanged, kWouldChange, kFailed, kNotRun };

// The step that failed ("read", "input", "password", "wireless", "firmware", "lan" or
// "find"), one line of why, and the exit status the run ends with.
struct ApplyFailure {
    std::string step;
    std::wstring reason;
    int exitStatus = 0;
};

// The one JSON object `tamselctl apply` writes on standard output, whatever happens:
//
//   {"address": "192.168.1.1", "final_address": "192.168.1.50", "check": false,
//    "changed": true,
//    "steps": [{"step": "password", "result": "changed"}, ...],
//    "failed": null | {"step": "lan", "reason": "...", "exit_status": 3},
//    "diff": {"before": {...}, "after": {...}}}
//
// "result" is "changed", "would change" (with --check), "failed" or "not run"; "diff" is
// there only when asked for.
struct ApplyReport {
    std::wstring address;       // where the repeater was reached at the start
    std::wstring finalAddress;  // where it is at the end
    bool check = false;
    std::vector<std::pair<ApplyStep, StepResult>> steps;
    std::optional<ApplyFailure> failed;
    std::optional<nlohmann::json> diff;

    // The planned steps, each not run yet (or, with --check, each that would change).
    void Plan(const ApplyPlan& plan, bool withDiff);
    void Set(ApplyStep step, StepResult result);
    // The step running now fails; the steps after it were not run.
    void Fail(ApplyStep step, std::wstring reason, int exitStatus);
    void Fail(std::string step, std::wstring reason, int exitStatus);

    // Whether something was changed (with --check: would be).
    bool Changed() const;
    // The object as one line of JSON with a line break, ASCII only (every other character
    // escaped), so that no device text can act on a terminal.
    std::string ToJson() const;
};
