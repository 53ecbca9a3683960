#pragma once

#include <string>

class StateColorLabel;
class QWidget;

// The note under the search page's list, in small text over the page picture: what the
// last search did when that needs saying (why nothing answered, the PC's firewall), why a
// typed address was refused, how a browser reaches a repeater. Otherwise it says nothing
// and is hidden. A screen reader hears each new text.
class SearchNote {
public:
    // Makes the note's label, a child of `page`.
    explicit SearchNote(QWidget* page);

    void Show(const std::wstring& text);
    void Clear() { Show(std::wstring()); }

    StateColorLabel* Label() const { return m_label; }

private:
    StateColorLabel* m_label;
};
