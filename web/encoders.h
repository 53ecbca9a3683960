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
