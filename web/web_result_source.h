#pragma once

#include <optional>

#include "web/web_result.h"

// Where finished web commands are taken from: the web command queue, or a fake in tests.
class IWebResultSource {
public:
    virtual ~IWebResultSource() = default;

    // Commands queued or active.
    virtual int PendingCount() const = 0;
    // Takes the oldest finished command, or nothing when none is ready.
    virtual std::optional<WebResult> TakeResult() = 0;
};
