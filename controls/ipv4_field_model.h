#pragma once

#include <algorithm>
#include <array>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

// The editing state of an IPv4 address field, free of any toolkit so that its rules can be
// tested on their own; CIPv4Field shows it in four line edits and feeds it the keyboard.
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
//
// Header-only so that the core's unit tests can use it without the GUI library.
class CIPv4FieldModel {
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
    void Clear() { *this = CIPv4FieldModel(); }

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

inline std::wstring_view CIPv4FieldModel::Trim(std::wstring_view text) {
    constexpr std::wstring_view kBlanks = L" \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

inline bool CIPv4FieldModel::AllDigits(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

inline int CIPv4FieldModel::ValueOf(std::wstring_view digits) {
    int value = 0;
    for (wchar_t c : digits) {
        value = value * 10 + (c - L'0');
    }
    return value;
}

inline std::optional<CIPv4FieldModel::OctetTexts> CIPv4FieldModel::ParseDotted(
    std::wstring_view text) {
    text = Trim(text);
    OctetTexts octets;
    if (text.empty()) {
        return octets;
    }
    int index = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find(L'.', start);
        const std::wstring_view part =
            text.substr(start, dot == std::wstring_view::npos ? dot : dot - start);
        if (index >= kOctetCount || part.size() > std::size_t{kMaxDigits} || !AllDigits(part)) {
            return std::nullopt;
        }
        if (!part.empty()) {
            const int value = ValueOf(part);
            if (value > kMaxValue) {
                return std::nullopt;
            }
            octets[index] = std::to_wstring(value);
        }
        if (dot == std::wstring_view::npos) {
            break;
        }
        start = dot + 1;
        ++index;
    }
    if (index != kOctetCount - 1) {
        return std::nullopt;
    }
    return octets;
}

inline bool CIPv4FieldModel::SetAddress(std::wstring_view dotted) {
    Clear();
    const auto octets = ParseDotted(dotted);
    if (!octets) {
        return false;
    }
    m_octets = *octets;
    return true;
}

inline std::wstring CIPv4FieldModel::Text() const {
    std::wstring text;
    for (int i = 0; i < kOctetCount; ++i) {
        if (i > 0) {
            text += L'.';
        }
        if (!m_octets[i].empty()) {
            text += std::to_wstring(std::min(ValueOf(m_octets[i]), kMaxValue));
        }
    }
    return text;
}

inline std::array<int, CIPv4FieldModel::kOctetCount> CIPv4FieldModel::Octets() const {
    std::array<int, kOctetCount> values{};
    for (int i = 0; i < kOctetCount; ++i) {
        values[i] = std::min(ValueOf(m_octets[i]), kMaxValue);
    }
    return values;
}

inline std::pair<int, int> CIPv4FieldModel::SelectionIn(int octet) const {
    const Position start = Start();
    const Position end = End();
    if (!Valid(octet) || octet < start.octet || octet > end.octet) {
        return {0, 0};
    }
    return {octet == start.octet ? start.offset : 0,
            octet == end.octet ? end.offset : Length(octet)};
}

inline std::wstring CIPv4FieldModel::SelectedText() const {
    std::wstring text;
    if (!HasSelection()) {
        return text;
    }
    for (int i = Start().octet; i <= End().octet; ++i) {
        if (i > Start().octet) {
            text += L'.';
        }
        const auto [begin, end] = SelectionIn(i);
        text += m_octets[i].substr(begin, end - begin);
    }
    return text;
}

inline void CIPv4FieldModel::Commit(int octet) {
    std::wstring& text = m_octets[octet];
    if (text.empty()) {
        return;
    }
    std::wstring committed = std::to_wstring(std::min(ValueOf(text), kMaxValue));
    // Clamping keeps the length; dropping leading zeros shifts what follows them.
    const int dropped = static_cast<int>(text.size() - committed.size());
    text = std::move(committed);
    for (Position* position : {&m_caret, &m_anchor}) {
        if (position->octet == octet) {
            position->offset = std::clamp(position->offset - dropped, 0, Length(octet));
        }
    }
}

inline void CIPv4FieldModel::MoveCaret(Position to, bool select) {
    const int left = m_caret.octet;
    m_caret = to;
    if (left != to.octet) {
        Commit(left);
    }
    if (!select) {
        m_anchor = m_caret;
    }
    m_justCompleted = false;
}

inline bool CIPv4FieldModel::EraseSelection() {
    if (!HasSelection()) {
        return false;
    }
    const Position start = Start();
    const Position end = End();
    std::array<std::pair<int, int>, kOctetCount> ranges;
    for (int i = start.octet; i <= end.octet; ++i) {
        ranges[i] = SelectionIn(i);
    }
    for (int i = start.octet; i <= end.octet; ++i) {
        m_octets[i].erase(ranges[i].first, ranges[i].second - ranges[i].first);
    }
    m_caret = m_anchor = start;
    // The octets after the caret's own keep what was left of them, committed.
    for (int i = start.octet + 1; i <= end.octet; ++i) {
        Commit(i);
    }
    return true;
}

inline void CIPv4FieldModel::InsertDigits(std::wstring_view digits) {
    std::wstring& text = m_octets[m_caret.octet];
    text.insert(m_caret.offset, digits);
    m_caret.offset += static_cast<int>(digits.size());
    m_anchor = m_caret;
    m_justCompleted = false;
    if (Length(m_caret.octet) < kMaxDigits) {
        return;
    }
    const bool atEnd = m_caret.offset == kMaxDigits;
    Commit(m_caret.octet);
    if (atEnd && m_caret.octet + 1 < kOctetCount) {
        FocusOctet(m_caret.octet + 1);
        m_justCompleted = true;
    }
}

inline void CIPv4FieldModel::TypeDigit(wchar_t digit) {
    EraseSelection();
    if (Length(m_caret.octet) >= kMaxDigits) {
        if (m_caret.offset < kMaxDigits || m_caret.octet + 1 >= kOctetCount) {
            m_justCompleted = false;
            return;
        }
        FocusOctet(m_caret.octet + 1);
        EraseSelection();
    }
    InsertDigits(std::wstring_view(&digit, 1));
}

inline void CIPv4FieldModel::TypeSeparator() {
    if (m_justCompleted) {
        m_justCompleted = false;
        return;
    }
    const int octet = m_caret.octet;
    if (octet + 1 < kOctetCount && !m_octets[octet].empty()) {
        FocusOctet(octet + 1);
    }
}

inline void CIPv4FieldModel::Backspace() {
    m_justCompleted = false;
    if (EraseSelection()) {
        return;
    }
    if (m_caret.offset == 0) {
        if (m_caret.octet == 0) {
            return;
        }
        MoveCaret({m_caret.octet - 1, Length(m_caret.octet - 1)}, false);
        if (m_caret.offset == 0) {
            return;
        }
    }
    m_octets[m_caret.octet].erase(m_caret.offset - 1, 1);
    --m_caret.offset;
    m_anchor = m_caret;
}

inline void CIPv4FieldModel::DeleteForward() {
    m_justCompleted = false;
    if (EraseSelection()) {
        return;
    }
    if (m_caret.offset < Length(m_caret.octet)) {
        m_octets[m_caret.octet].erase(m_caret.offset, 1);
    }
}

inline bool CIPv4FieldModel::Paste(std::wstring_view text) {
    text = Trim(text);
    if (text.empty()) {
        return false;
    }
    if (text.find(L'.') != std::wstring_view::npos) {
        const auto octets = ParseDotted(text);
        if (!octets) {
            return false;
        }
        m_octets = *octets;
        m_caret = m_anchor = {kOctetCount - 1, Length(kOctetCount - 1)};
        m_justCompleted = false;
        return true;
    }
    if (!AllDigits(text)) {
        return false;
    }
    const CIPv4FieldModel before = *this;
    EraseSelection();
    if (text.size() > static_cast<std::size_t>(kMaxDigits - Length(m_caret.octet))) {
        *this = before;
        return false;
    }
    InsertDigits(text);
    return true;
}

inline void CIPv4FieldModel::MoveLeft(bool select) {
    if (!select && HasSelection()) {
        MoveCaret(Start(), false);
    } else if (m_caret.offset > 0) {
        MoveCaret({m_caret.octet, m_caret.offset - 1}, select);
    } else if (m_caret.octet > 0) {
        MoveCaret({m_caret.octet - 1, Length(m_caret.octet - 1)}, select);
    } else {
        MoveCaret(m_caret, select);
    }
}

inline void CIPv4FieldModel::MoveRight(bool select) {
    if (!select && HasSelection()) {
        MoveCaret(End(), false);
    } else if (m_caret.offset < Length(m_caret.octet)) {
        MoveCaret({m_caret.octet, m_caret.offset + 1}, select);
    } else if (m_caret.octet + 1 < kOctetCount) {
        MoveCaret({m_caret.octet + 1, 0}, select);
    } else {
        MoveCaret(m_caret, select);
    }
}

inline void CIPv4FieldModel::MoveToStart(bool select) {
    MoveCaret({0, 0}, select);
}

inline void CIPv4FieldModel::MoveToEnd(bool select) {
    MoveCaret({kOctetCount - 1, Length(kOctetCount - 1)}, select);
}

inline void CIPv4FieldModel::SelectAll() {
    MoveToEnd(false);
    m_anchor = {0, 0};
}

inline void CIPv4FieldModel::FocusOctet(int octet) {
    if (!Valid(octet)) {
        octet = 0;
        for (int i = 0; i < kOctetCount; ++i) {
            if (m_octets[i].empty()) {
                octet = i;
                break;
            }
        }
    }
    MoveCaret({octet, Length(octet)}, false);
    m_anchor = {octet, 0};
}

inline void CIPv4FieldModel::Place(int octet, int anchorOffset, int caretOffset) {
    if (!Valid(octet)) {
        return;
    }
    MoveCaret({octet, 0}, false);
    m_caret.offset = std::clamp(caretOffset, 0, Length(octet));
    m_anchor = {octet, std::clamp(anchorOffset, 0, Length(octet))};
}

inline void CIPv4FieldModel::SetOctetText(int octet, std::wstring_view digits, int caretOffset) {
    if (!Valid(octet)) {
        return;
    }
    MoveCaret({octet, 0}, false);
    std::wstring& text = m_octets[octet];
    text.clear();
    for (wchar_t c : digits) {
        if (c >= L'0' && c <= L'9' && static_cast<int>(text.size()) < kMaxDigits) {
            text += c;
        }
    }
    m_caret.offset = std::clamp(caretOffset, 0, Length(octet));
    m_anchor = m_caret;
    if (Length(octet) == kMaxDigits && ValueOf(text) > kMaxValue) {
        Commit(octet);
    }
}

inline void CIPv4FieldModel::Leave() {
    Commit(m_caret.octet);
    m_anchor = m_caret;
    m_justCompleted = false;
}
