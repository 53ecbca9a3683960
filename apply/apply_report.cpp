#include "apply/apply_report.h"

#include <algorithm>

#include "platform/utf8_text.h"

namespace {

const char* ResultName(StepResult result) {
    switch (result) {
        case StepResult::kChanged:
            return "changed";
        case StepResult::kWouldChange:
            return "would change";
        case StepResult::kFailed:
            return "failed";
        case StepResult::kNotRun:
            return "not run";
    }
    return "";
}

}  // namespace

void ApplyReport::Plan(const ApplyPlan& plan, bool withDiff) {
    steps.clear();
    for (ApplyStep step : plan.steps) {
        steps.emplace_back(step, check ? StepResult::kWouldChange : StepResult::kNotRun);
    }
    if (withDiff) {
        diff = nlohmann::json{{"before", plan.before}, {"after", plan.after}};
    }
}

void ApplyReport::Set(ApplyStep step, StepResult result) {
    for (auto& [planned, outcome] : steps) {
        if (planned == step) {
            outcome = result;
        }
    }
}

void ApplyReport::Fail(ApplyStep step, std::wstring reason, int exitStatus) {
    Set(step, StepResult::kFailed);
    Fail(std::string(ApplyStepName(step)), std::move(reason), exitStatus);
}

void ApplyReport::Fail(std::string step, std::wstring reason, int exitStatus) {
    if (!failed) {
        failed = ApplyFailure{std::move(step), std::move(reason), exitStatus};
    }
}

bool ApplyReport::Changed() const {
    return std::any_of(steps.begin(), steps.end(), [](const auto& entry) {
        return entry.second == StepResult::kChanged || entry.second == StepResult::kWouldChange;
    });
}

std::string ApplyReport::ToJson() const {
    nlohmann::json object;
    object["address"] = WideToUtf8(address);
    object["final_address"] = WideToUtf8(finalAddress.empty() ? address : finalAddress);
    object["check"] = check;
    object["changed"] = Changed();
    object["steps"] = nlohmann::json::array();
    for (const auto& [step, result] : steps) {
        object["steps"].push_back({{"step", ApplyStepName(step)}, {"result", ResultName(result)}});
    }
    if (failed) {
        object["failed"] = {{"step", failed->step},
                            {"reason", WideToUtf8(failed->reason)},
                            {"exit_status", failed->exitStatus}};
    } else {
        object["failed"] = nullptr;
    }
    if (diff) {
        object["diff"] = *diff;
    }
    return object.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace) + "\n";
}
