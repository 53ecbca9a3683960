#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hostnet/host_setup_failure.h"

// Completion codes of a finished web command.
enum WebCompletionCode : uint32_t {
    kWebClosedNormally = 4,   // the device closed the connection normally
    kWebTimedOut = 5,         // a phase ran past its limit
    kWebClosedWithError = 6,  // the connection broke
    kWebSetupFailed = 7,      // the host address set-up failed; nothing was sent
};

// One finished web command as the queue hands it back.
struct WebResult {
    std::wstring command;
    uint32_t code = 0;
    // The device's answer as it arrived: Windows-1252 bytes, status line and headers
    // included. Empty when the request never left.
    std::string response;
    // The answer ran past the queue's bound on one answer (WebCommandQueue::kMaxResponseBytes):
    // the connection was closed, the code is 6 and the response empty.
    bool oversized = false;
    // Code 7: why the host could not be set up, when the reason is one the user can act on.
    HostSetupFailure setupFailure{};

    // The answer as text, for the parsers.
    std::wstring ResponseText() const;
};

// Codes 5, 6 and 7: the exchange did not end the way a finished answer ends.
bool IsFailureCode(uint32_t code);

// The message (string id) for a command that gave no usable answer: why the host could not
// be set up when that is known (missing rights, a device outside the private networks),
// else "Repeater respon timeout !!".
int FailedCommandMessage(const WebResult& result);

// True when the answer contains "HTTP" and also "200", both case-sensitive and anywhere
// in the text: the device's pages are judged by this alone, so a "200" in a header or the
// body of another status also passes. Only such answers are handed to a parser.
bool IsGoodAnswer(std::string_view response);

// The firmware page's refusal, found in an otherwise good answer to the upload.
inline constexpr std::string_view kInvalidFileMarker = "Invalid file format!";

// For the start-up reads (LANINFO, WANINFO, GETSTATUS) and the bridging form (REPEATER) a
// failure code decides, even with a full answer in hand: a device that answered but kept
// the connection open has not finished. For every other command only the answer decides.
bool CompletionCodeDecides(std::wstring_view command);

// The status code of the answer's status line ("HTTP/1.x NNN ..."), if it has one.
std::optional<int> HttpStatusOf(std::string_view response);
