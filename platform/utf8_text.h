#pragma once

#include <string>
#include <string_view>

// UTF-8 at the programs' edges: the command line, the terminal and the files written for
// other programs speak it; the programs inside speak wide text.

// UTF-8 to wide text. A byte that does not start a valid UTF-8 sequence is read as a
// Windows-1252 character, so that no input is lost or rejected.
std::wstring Utf8ToWide(std::string_view bytes);

// Wide text to UTF-8. Code points that UTF-8 cannot carry (surrogates, beyond U+10FFFF)
// become U+FFFD.
std::string WideToUtf8(std::wstring_view text);
