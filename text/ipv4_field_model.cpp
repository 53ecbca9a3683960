#include "text/ipv4_field_model.h"

std::wstring_view Ipv4FieldModel::Trim(std::wstring_view text) {
    constexpr std::wstring_view kBlanks = L" \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool Ipv4FieldModel::AllDigits(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

int Ipv4FieldModel::ValueOf(std::wstring_view digits) {
    int value = 0;
    for (wchar_t c : digits) {
        value = value * 10 + (c - L'0');
    }
    return value;
}

std::optional<Ipv4FieldModel::OctetTexts> Ipv4FieldModel::ParseDotted(std::wstring_view text) {
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

bool Ipv4FieldModel::SetAddress(std::wstring_view dotted) {
    Clear();
    const auto octets = ParseDotted(dotted);
    if (!octets) {
        return false;
    }
    m_octets = *octets;
    return true;
}

std::wstring Ipv4FieldModel::Text() const {
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

std::array<int, Ipv4FieldModel::kOctetCount> Ipv4FieldModel::Octets() const {
    std::array<int, kOctetCount> values{};
    for (int i = 0; i < kOctetCount; ++i) {
        values[i] = std::min(ValueOf(m_octets[i]), kMaxValue);
    }
    return values;
}

std::pair<int, int> Ipv4FieldModel::SelectionIn(int octet) const {
    const Position start = Start();
    const Position end = End();
    if (!Valid(octet) || octet < start.octet || octet > end.octet) {
        return {0, 0};
    }
    return {octet == start.octet ? start.offset : 0,
            octet == end.octet ? end.offset : Length(octet)};
}

std::wstring Ipv4FieldModel::SelectedText() const {
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

void Ipv4FieldModel::Commit(int octet) {
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

void Ipv4FieldModel::MoveCaret(Position to, bool select) {
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

bool Ipv4FieldModel::EraseSelection() {
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

void Ipv4FieldModel::InsertDigits(std::wstring_view digits) {
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

void Ipv4FieldModel::TypeDigit(wchar_t digit) {
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

void Ipv4FieldModel::TypeSeparator() {
    if (m_justCompleted) {
        m_justCompleted = false;
        return;
    }
    const int octet = m_caret.octet;
    if (octet + 1 < kOctetCount && !m_octets[octet].empty()) {
        FocusOctet(octet + 1);
    }
}

void Ipv4FieldModel::Backspace() {
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

void Ipv4FieldModel::DeleteForward() {
    m_justCompleted = false;
    if (EraseSelection()) {
        return;
    }
    if (m_caret.offset < Length(m_caret.octet)) {
        m_octets[m_caret.octet].erase(m_caret.offset, 1);
    }
}

bool Ipv4FieldModel::Paste(std::wstring_view text) {
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
    const Ipv4FieldModel before = *this;
    EraseSelection();
    if (text.size() > static_cast<std::size_t>(kMaxDigits - Length(m_caret.octet))) {
        *this = before;
        return false;
    }
    InsertDigits(text);
    return true;
}

void Ipv4FieldModel::MoveLeft(bool select) {
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

void Ipv4FieldModel::MoveRight(bool select) {
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

void Ipv4FieldModel::MoveToStart(bool select) {
    MoveCaret({0, 0}, select);
}

void Ipv4FieldModel::MoveToEnd(bool select) {
    MoveCaret({kOctetCount - 1, Length(kOctetCount - 1)}, select);
}

void Ipv4FieldModel::SelectAll() {
    MoveToEnd(false);
    m_anchor = {0, 0};
}

void Ipv4FieldModel::FocusOctet(int octet) {
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

void Ipv4FieldModel::Place(int octet, int anchorOffset, int caretOffset) {
    if (!Valid(octet)) {
        return;
    }
    MoveCaret({octet, 0}, false);
    m_caret.offset = std::clamp(caretOffset, 0, Length(octet));
    m_anchor = {octet, std::clamp(anchorOffset, 0, Length(octet))};
}

void Ipv4FieldModel::SetOctetText(int octet, std::wstring_view digits, int caretOffset) {
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

void Ipv4FieldModel::Leave() {
    Commit(m_caret.octet);
    m_anchor = m_caret;
    m_justCompleted = false;
}
