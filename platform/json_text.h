#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// JSON as the programs write it for scripts and files: UTF-8, two spaces of indentation,
// string values only. Every value may be a device's text, so every character that could
// end the string, break the line or act on a terminal is escaped.

// `text` as a JSON string literal, quotes included: quote and backslash escaped, the C0
// and C1 controls, DEL and the two Unicode line separators as \uXXXX (\n \r \t by name),
// everything else as UTF-8.
std::string JsonQuote(std::wstring_view text);

// Members of one object, in the order they are written.
using JsonMembers = std::vector<std::pair<const char*, std::wstring>>;

// {"key": "value", ...} over several lines, its members indented by `indent` plus two
// spaces; no line break after the closing brace.
std::string JsonObject(const JsonMembers& members, const char* indent);

// An array of such objects, ending with a line break: "[]\n" when empty.
std::string JsonArray(const std::vector<JsonMembers>& objects);
