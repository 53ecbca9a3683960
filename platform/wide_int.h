#pragma once

#include <string_view>

// The leading decimal integer of a wide text as the C runtime's wide atoi reads it:
// optional white space and sign, then digits up to the first non-digit; 0 when there are
// none. Values beyond the int range are clamped instead of overflowing.
int WideToInt(std::wstring_view text);
