#pragma once

#include <cstdint>
#include <string>

// One complete HTTP request as the device's pages expect it.
//
// For the firmware upload the request holds a run of '?' exactly as long as the image
// file, which the transport replaces with the file's bytes when it sends. That run is
// kept as a count (`placeholderLength`) between `text` and `tail` instead of as
// characters, so a many-megabyte image never becomes text in memory. For every other
// request `placeholderLength` is 0 and `tail` is empty.
struct WebRequest {
    std::wstring text;
    uint64_t placeholderLength = 0;
    std::wstring tail;

    // The whole request as one text, with the run spelt out as '?' characters.
    std::wstring ToText() const {
        std::wstring whole = text;
        whole.append(static_cast<size_t>(placeholderLength), L'?');
        whole += tail;
        return whole;
    }
};
