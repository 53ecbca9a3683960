#pragma once

#include <initializer_list>
#include <string>

// The program's string table (resources/strings.def), looked up by id.

// Returns the text with the given id, or an empty string when there is none.
std::wstring LoadString(int id);

// String `id` with "%1" to "%9" replaced by the arguments (a missing one by nothing).
std::wstring FormatString(int id, std::initializer_list<std::wstring> arguments = {});
