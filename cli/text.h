#pragma once

#include <string>
#include <string_view>

#include "platform/json_text.h"
#include "platform/utf8_text.h"
#include "resources/string_table.h"

// Text at tamselctl's edges: the terminal. UTF-8, JSON and the string table's formatting
// come with this header, since every part of tamselctl writes with them.

// `text` as plain output shows it: every character a terminal would act on instead of
// printing (C0 controls, DEL, C1 controls U+0080 to U+009F) written as an escape, so that
// a device's texts can neither move the cursor, clear the screen, retitle the window nor
// hide what follows. \a \b \t \n \v \f \r \e stand for BEL, BS, HT, LF, VT, FF, CR
// and ESC, \xHH for the other C0 controls and DEL, \u0080 to \u009f for the C1
// controls; a backslash itself is written \\ so that every escape reads one way.
std::wstring EscapeControls(std::wstring_view text);

// Writes one line to standard error as "tamselctl: <line>", in UTF-8. The caller escapes
// what a device or a file gave it (EscapeControls).
void WriteErr(const std::wstring& line);
