#pragma once

#include <string>

#include "platform/ansi_text.h"
#include "web/web_request.h"

// The bytes a request puts on the wire, as the catalogue builds it, with `file` in the
// place of an upload's placeholder: what the simulated repeater must have received.
inline std::string Wire(const WebRequest& request, const std::string& file = std::string()) {
    return WideToAnsi(request.text) + file + WideToAnsi(request.tail);
}
