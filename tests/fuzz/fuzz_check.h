#pragma once

// Shared by the libFuzzer harnesses: a property check that ends the run the way a crash
// does, so libFuzzer keeps the input, and the ways an input becomes program text.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ansi_text.h"

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

namespace fuzz {

// What a device's answer becomes inside the program: Windows-1252 bytes decoded up to
// the first zero byte, as the web queue hands a response to the parsers.
inline std::wstring WireText(const uint8_t* data, size_t size) {
    return AnsiToWide(reinterpret_cast<const char*>(data), size);
}

// Any wide text, for code that also sees texts from elsewhere than the wire. The first
// byte chooses how the rest is read: as Windows-1252 (where dictionaries work best), as
// UTF-16 code units (lone surrogates included) or as raw 32-bit values (anything a
// wchar_t holds).
inline std::wstring AnyText(const uint8_t* data, size_t size) {
    if (size == 0) {
        return {};
    }
    const uint8_t mode = data[0] % 4;
    ++data;
    --size;
    std::wstring text;
    if (mode == 2) {
        for (size_t i = 0; i + 1 < size; i += 2) {
            text.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
        }
    } else if (mode == 3) {
        for (size_t i = 0; i + 3 < size; i += 4) {
            const uint32_t value =
                static_cast<uint32_t>(data[i]) | static_cast<uint32_t>(data[i + 1]) << 8 |
                static_cast<uint32_t>(data[i + 2]) << 16 | static_cast<uint32_t>(data[i + 3]) << 24;
            text.push_back(static_cast<wchar_t>(value));
        }
    } else {
        // Zero bytes stay: texts from elsewhere may hold them.
        const char* bytes = reinterpret_cast<const char*>(data);
        size_t start = 0;
        for (size_t i = 0; i <= size; ++i) {
            if (i == size || data[i] == 0) {
                text += AnsiToWide(bytes + start, i - start);
                if (i < size) {
                    text.push_back(L'\0');
                }
                start = i + 1;
            }
        }
    }
    return text;
}

}  // namespace fuzz
