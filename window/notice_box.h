#pragma once

#include <string>

class QWidget;

// A message about what a page just did that needs no answer (a file that could not be
// written, the address of a web page to open by hand): a standard message box over the
// main window, window-modal, that returns at once and deletes itself when closed. Enter
// and Escape close it like any message box; a screen reader reads it as an alert.
void ShowNotice(QWidget* page, const std::wstring& text);
