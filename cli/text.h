#pragma once

#include <string>
#include <string_view>

#include "resources/string_table.h"

// Text at tamselctl's edges: the command line and the terminal speak UTF-8, the program
// inside speaks wide text.

// UTF-8 to wide text. A byte that does not start a valid UTF-8 sequence is read as a
// Windows-1252 character, so that no input is lost or rejected.
std::wstring Utf8ToWide(std::string_view bytes);

// Wide text to UTF-8. Code points that UTF-8 cannot carry (surrogates, beyond U+10FFFF)
// become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::wstring_view text);

// `text` as plain output shows it: every character a terminal would act on instead of
// printing (C0 controls, DEL, C1 controls U+0080 to U+009F) written as an escape, so that
// a device's texts can neither move the cursor, clear the screen, retitle the window nor
// hide what follows. \a \b \t \n \v \f \r \e stand for BEL, BS, HT, LF, VT, FF, CR
// and ESC, \xHH for the other C0 controls and DEL, \u0080 to \u009f for the C1
// controls; a backslash itself is written \\ so that every escape reads one way.
std::wstring EscapeControls(std::wstring_view text);
