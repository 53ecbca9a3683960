#pragma once

#include <initializer_list>
#include <string>

// The program's string table (resources/strings.def), looked up by id.

// Returns the text with the given id, or an empty string when there is none.
std::wstring LoadString(int id);

// String `id` with "%1", "%2", ... replaced by the arguments.
std::wstring FormatString(int id, std::initializer_list<std::wstring> arguments = {});

// Reads the layout rectangle "x,y,cx,cy" held as string `id`. Each number is read the way
// the C library's wide atoi reads it (leading blanks and a sign accepted, stops at the
// first non-digit); a missing comma leaves that number 0 and hands the rest of the text
// to the following ones, so "170" gives 0,0,0,170 and "1,2,3" gives 1,2,0,3.
// Returns 1 when the four outputs were written, 0 (outputs untouched) when the string is
// empty or missing.
int LoadLayoutRect(int id, int& x, int& y, int& cx, int& cy);

// The same rule applied to a text instead of a string-table id.
int ParseLayoutRect(const std::wstring& text, int& x, int& y, int& cx, int& cy);
