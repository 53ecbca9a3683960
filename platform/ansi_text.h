#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text inside the programs is wide; everything on the wire and in the host's interfaces is
// 8-bit text in Windows-1252, the code page the device speaks.

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

// True when every character of `text` has a Windows-1252 byte, so the text reaches the
// device as typed: WideToAnsi would turn any other character into '?'.
bool IsAnsiRepresentable(std::wstring_view text);

// Whole-text comparison that ignores the case of the letters A-Z only, as the device's
// keywords ("WPA2PSK", "wep") and the command names are compared.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
