#pragma once

#include <initializer_list>
#include <string>

// The program's string table (resources/strings.def), looked up by id.

// Returns the text with the given id, or an empty string when there is none.
std::wstring LoadString(int id);

// String `id` with "%1" to "%9" replaced by the arguments (a missing one by nothing).
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

// A page area stored from a layout rectangle "x,y,cx,cy": from x to x + cx and from y to
// y + cy, both edges included. The default area is empty (a missing layout string).
struct PageArea {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    static PageArea FromLayout(int x, int y, int cx, int cy) { return {x, y, x + cx, y + cy}; }
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool IsEmpty() const { return right < left || bottom < top; }
};

// Layout string `rectId` as an area; empty when the string is missing or empty.
PageArea LoadPageArea(int rectId);
