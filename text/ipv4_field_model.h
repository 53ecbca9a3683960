#pragma once

#include <algorithm>
#include <array>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

// The editing state of an IPv4 address field, free of any toolkit so that its rules can be
// tested on their own; Ipv4Field shows it in four line edits and feeds it the keyboard.
//
// The address is four octets of 0-3 decimal digits. A position is an octet and an offset
// between its digits; the caret and the selection anchor are positions and may lie in
// different octets, so a selection can run across the dots.
//
// Only the octet that holds the caret keeps its digits exactly as typed ("01" on the way to
// "010"). Every other octet is committed: blank, or its value in plain decimal, at most
// 255. An octet is committed when the caret leaves it, when the field loses focus, and when
// its third digit is typed; so a value above 255 never outlives the digit that made it.
// Typing digits one octet after another ("192168001001") therefore works as well as
// typing the dots.
class Ipv4FieldModel {
public:
    static constexpr int kOctetCount = 4;
    static constexpr int kMaxDigits = 3;
    static constexpr int kMaxValue = 255;

    struct Position {
        int octet = 0;
        int offset = 0;
        friend auto operator<=>(const Position&, const Position&) = default;
    };

    using OctetTexts = std::array<std::wstring, kOctetCount>;

    // Dotted text as the field holds it: exactly four fields separated by three dots, each
    // blank or one to three digits worth at most 255, with blanks around the whole ignored.
    // An empty text is four blank octets. The octets come back committed.
    static std::optional<OctetTexts> ParseDotted(std::wstring_view text);

    // Fills the field from dotted text (ParseDotted) with the caret at the very start. Text
    // that ParseDotted refuses blanks the field and gives false.
    bool SetAddress(std::wstring_view dotted);
    void Clear() { *this = Ipv4FieldModel(); }

    // "a.b.c.d" with every octet as it reads once committed and blank octets empty
    // ("192..1."), the form ParseDotted reads back.
    std::wstring Text() const;
    // The octets' values; a blank octet reads 0.
    std::array<int, kOctetCount> Octets() const;
    // True for a blank octet (and for an index outside 0-3).
    bool IsBlank(int octet) const { return !Valid(octet) || m_octets[octet].empty(); }
    // The digits as displayed.
    const std::wstring& OctetText(int octet) const { return m_octets[octet]; }

    Position Caret() const { return m_caret; }
    Position Anchor() const { return m_anchor; }
    bool HasSelection() const { return m_caret != m_anchor; }
    // The selected digits of one octet as [begin, end); begin == end when none is.
    std::pair<int, int> SelectionIn(int octet) const;
    // The selected part of the address: the selected digits of each octet it touches,
    // joined with dots, so a whole selection reads like Text().
    std::wstring SelectedText() const;

    // Keyboard commands. Text commands replace a selection, as in any text field.
    //
    // A digit goes in at the caret; an octet that reaches three digits is committed and,
    // when the digit went in at its end, the caret moves on to the next octet with that
    // octet's digits selected, so what is typed next replaces them. A digit typed at the
    // end of a full octet goes the same way. Anything else that would make a fourth digit
    // is refused.
    void TypeDigit(wchar_t digit);
    // "." or " ": in an octet with digits, moves on to the next one and selects its digits.
    // Ignored in a blank octet, in the last octet, and right after a typed third digit has
    // moved the caret on, so typing "192.168.1.1" in full works.
    void TypeSeparator();
    // Deletes the selection, else the digit before the caret; at the start of an octet it
    // moves to the end of the previous octet and deletes that octet's last digit.
    void Backspace();
    // Deletes the selection, else the digit after the caret (nothing at an octet's end).
    void DeleteForward();
    // Deletes the selected digits; octets wholly inside the selection become blank. False
    // when nothing was selected.
    bool EraseSelection();
    // A dotted address (ParseDotted, not empty) fills all four octets and puts the caret at
    // the end of the last one. Digits alone replace the selection and go in at the caret
    // as typed digits would, as long as the octet keeps at most three digits. Anything
    // else is refused: false, and nothing changes.
    bool Paste(std::wstring_view text);

    // Moves: `select` keeps the anchor where it is (Shift held). Left and Right step over
    // the dot into the neighbouring octet; without `select`, a selection collapses to its
    // start or end instead. Start and end are those of the whole address.
    void MoveLeft(bool select);
    void MoveRight(bool select);
    void MoveToStart(bool select);
    void MoveToEnd(bool select);
    void SelectAll();

    // Puts the caret at the end of `octet` and selects its digits. An index outside 0-3
    // means the first blank octet, or octet 0 when none is blank.
    void FocusOctet(int octet);
    // Caret and anchor inside one octet, as a mouse click or drag in it left them.
    void Place(int octet, int anchorOffset, int caretOffset);
    // Adopts digits that the octet's line edit changed by itself, with its caret; the
    // selection collapses there.
    void SetOctetText(int octet, std::wstring_view digits, int caretOffset);
    // The field lost the focus: the caret's octet is committed and the selection dropped.
    void Leave();

private:
    static bool Valid(int octet) { return octet >= 0 && octet < kOctetCount; }
    static std::wstring_view Trim(std::wstring_view text);
    static bool AllDigits(std::wstring_view text);
    static int ValueOf(std::wstring_view digits);

    int Length(int octet) const { return static_cast<int>(m_octets[octet].size()); }
    Position Start() const { return std::min(m_caret, m_anchor); }
    Position End() const { return std::max(m_caret, m_anchor); }
    void MoveCaret(Position to, bool select);
    void Commit(int octet);
    void InsertDigits(std::wstring_view digits);

    OctetTexts m_octets;
    Position m_caret;
    Position m_anchor;
    // The last command was a digit that completed an octet and moved the caret on.
    bool m_justCompleted = false;
};
