#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Byte-string helpers of the simulated repeater. All text here is raw 8-bit bytes, as
// the device keeps it: a Windows-1252 SSID or password is stored and echoed unchanged.

// The value of one hexadecimal digit (either case), -1 for any other character.
int HexValue(char c);

// Decodes standard Base64 (RFC 4648 section 4). Padding is optional; white space and any
// other character outside the alphabet make the text invalid.
std::optional<std::string> DecodeBase64(std::string_view text);

// Decodes one application/x-www-form-urlencoded value: '+' is a space, %XX is the byte
// XX (either case); a '%' not followed by two hexadecimal digits is kept literally, as
// forgiving embedded servers do. Every other byte, including bytes above 127, is kept.
std::string DecodeFormValue(std::string_view text);

// Splits a form body at '&' into decoded name/value pairs, in order. A pair without '='
// has an empty value; empty pairs ("a=1&&b=2") are skipped.
using FormFields = std::vector<std::pair<std::string, std::string>>;
FormFields ParseFormBody(std::string_view body);

// The value of the first field called `name`, if present.
std::optional<std::string> FindField(const FormFields& fields, std::string_view name);

// For text placed inside a double-quoted HTML attribute.
std::string EscapeHtmlAttribute(std::string_view text);

std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
std::string_view TrimSpaces(std::string_view text);

// Parses a dotted-quad IPv4 address (four decimal octets 0-255, nothing else).
std::optional<uint32_t> ParseIpv4(std::string_view text);
std::string FormatIpv4(uint32_t address);
// True for a contiguous netmask of /1 to /32.
bool IsContiguousMask(uint32_t mask);
