#pragma once

#include <cstddef>
#include <string>

// Base64 (RFC 4648 section 4, with padding, no line breaks) of the Windows-1252 form of
// `text`. Used for the "Authorization: Basic" credential. The whole input is encoded.
std::wstring EncodeBase64(const std::wstring& text);

// Form encoding of a value placed into a request body: space becomes '+', the listed
// punctuation becomes %XX with upper-case digits, everything else passes unchanged
// (characters above 126 reach the wire through the code-page conversion).
std::wstring FormEncode(const std::wstring& text);

// Wide text to 8-bit Windows-1252 for the wire. A character the code page cannot hold
// becomes '?'.
std::string WideToAnsi(const std::wstring& text);

// 8-bit Windows-1252 to wide text, up to the first zero byte among the `length` bytes.
// The five bytes the code page leaves undefined map to the control characters of the
// same value.
std::wstring AnsiToWide(const char* bytes, size_t length);
inline std::wstring AnsiToWide(const std::string& bytes) {
    return AnsiToWide(bytes.data(), bytes.size());
}
