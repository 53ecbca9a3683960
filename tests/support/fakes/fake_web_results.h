#pragma once

#include <deque>
#include <optional>
#include <string>

#include "web/web_result_source.h"

// Finished web commands a test hands out in the order it gives them; nothing is pending.
class GivenAnswers : public IWebResultSource {
public:
    int PendingCount() const override { return 0; }
    std::optional<WebResult> TakeResult() override {
        if (answers.empty()) {
            return std::nullopt;
        }
        WebResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Finish(std::wstring command, uint32_t code, std::string response) {
        answers.push_back(WebResult{std::move(command), code, std::move(response)});
    }

    std::deque<WebResult> answers;
};
