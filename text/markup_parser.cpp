#include "text/markup_parser.h"

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <cwctype>

namespace {

struct Entity {
    const wchar_t* name;
    wchar_t character;
};

// Bullet, euro and trade mark are the Unicode characters themselves: the old 8-bit code
// points of these three are control characters in Unicode and would draw nothing.
constexpr Entity kEntities[] = {
    {L"&amp;", L'&'},         {L"&bull;", L'\u2022'},   {L"&cent;", L'\u00A2'},
    {L"&copy;", L'\u00A9'},   {L"&deg;", L'\u00B0'},    {L"&euro;", L'\u20AC'},
    {L"&frac12;", L'\u00BD'}, {L"&para;", L'\u00B6'},   {L"&frac14;", L'\u00BC'},
    {L"&gt;", L'>'},          {L"&iquest;", L'\u00BF'}, {L"&lt;", L'<'},
    {L"&micro;", L'\u00B5'},  {L"&middot;", L'\u00B7'}, {L"&nbsp;", L' '},
    {L"&times;", L'\u00D7'},  {L"&plusmn;", L'\u00B1'}, {L"&pound;", L'\u00A3'},
    {L"&quot;", L'"'},        {L"&reg;", L'\u00AE'},    {L"&sect;", L'\u00A7'},
    {L"&sup1;", L'\u00B9'},   {L"&sup2;", L'\u00B2'},   {L"&trade;", L'\u2122'},
};

using Kind = MarkupToken::Kind;

struct TagSpec {
    const wchar_t* text;
    Kind kind;
    int delta;
    bool hasAttributes;  // the table text is only the start; the tag runs to its ">"
};

constexpr TagSpec kTags[] = {
    {L"<B>", Kind::kBold, 1, false},          {L"</B>", Kind::kBold, -1, false},
    {L"<I>", Kind::kItalic, 1, false},        {L"</I>", Kind::kItalic, -1, false},
    {L"<U>", Kind::kUnderline, 1, false},     {L"</U>", Kind::kUnderline, -1, false},
    {L"<STRIKE>", Kind::kStrike, 1, false},   {L"</STRIKE>", Kind::kStrike, -1, false},
    {L"<CENTER>", Kind::kCenter, 1, false},   {L"</CENTER>", Kind::kCenter, -1, false},
    {L"<SUB>", Kind::kSub, 1, false},         {L"</SUB>", Kind::kSub, -1, false},
    {L"<SUP>", Kind::kSup, 1, false},         {L"</SUP>", Kind::kSup, -1, false},
    {L"<BIG>", Kind::kBig, 1, false},         {L"</BIG>", Kind::kBig, -1, false},
    {L"<SMALL>", Kind::kSmall, 1, false},     {L"</SMALL>", Kind::kSmall, -1, false},
    {L"<FONT", Kind::kFontStart, 0, true},    {L"</FONT>", Kind::kFontEnd, 0, false},
    {L"<CODE>", Kind::kCodeStart, 0, false},  {L"</CODE>", Kind::kCodeEnd, 0, false},
    {L"<A HREF=", Kind::kLinkStart, 0, true}, {L"</A>", Kind::kLinkEnd, 0, false},
    {L"<HR", Kind::kRule, 0, true},           {L"<BR>", Kind::kLineBreak, 0, false},
};

// Every character of the text is compared with the tags, so ASCII, which the tags are
// made of, takes the short way; the C library decides for the rest.
wchar_t Upper(wchar_t c) {
    if (c >= 0 && c < 0x80) {
        return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    }
    return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
}

bool IsMarkup(const MarkupChar& c, wchar_t wanted) {
    return !c.literal && c.ch == wanted;
}

// Whether the tag text starts at `pos`, every character of it markup (not literal).
bool StartsWith(const MarkupText& text, size_t pos, const wchar_t* tag) {
    for (size_t i = 0; tag[i] != L'\0'; ++i) {
        if (pos + i >= text.size() || text[pos + i].literal || Upper(text[pos + i].ch) != tag[i]) {
            return false;
        }
    }
    return true;
}

size_t FindMarkup(const MarkupText& text, size_t from, wchar_t wanted) {
    for (size_t i = from; i < text.size(); ++i) {
        if (IsMarkup(text[i], wanted)) {
            return i;
        }
    }
    return std::wstring::npos;
}

// The first value of a tag's inside: a quoted text, or everything up to a blank.
std::wstring FirstValue(const std::wstring& inside) {
    size_t i = 0;
    while (i < inside.size() && std::iswspace(static_cast<wint_t>(inside[i]))) {
        ++i;
    }
    if (i < inside.size() && (inside[i] == L'"' || inside[i] == L'\'')) {
        const size_t end = inside.find(inside[i], i + 1);
        return inside.substr(i + 1, end == std::wstring::npos ? std::wstring::npos : end - i - 1);
    }
    size_t end = i;
    while (end < inside.size() && !std::iswspace(static_cast<wint_t>(inside[end]))) {
        ++end;
    }
    return inside.substr(i, end - i);
}

}  // namespace

MarkupText DecodeEntities(const std::wstring& text) {
    MarkupText decoded;
    decoded.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool matched = false;
        if (text[i] == L'&') {
            for (const Entity& entity : kEntities) {
                const size_t length = std::wcslen(entity.name);
                if (text.compare(i, length, entity.name) == 0) {
                    decoded.push_back({entity.character, true});
                    i += length;
                    matched = true;
                    break;
                }
            }
        }
        if (!matched) {
            decoded.push_back({text[i], false});
            ++i;
        }
    }
    return decoded;
}

MarkupTokenizer::MarkupTokenizer(const std::wstring& text) : m_text(DecodeEntities(text)) {}

size_t MarkupTokenizer::NextClose(size_t from) {
    const bool known = m_closeSearched && from >= m_closeFrom &&
                       (m_close == std::wstring::npos || m_close >= from);
    if (!known) {
        m_close = FindMarkup(m_text, from, L'>');
        m_closeFrom = from;
        m_closeSearched = true;
    }
    return m_close;
}

// Reads a tag at the position, or returns false when none starts there.
bool MarkupTokenizer::ReadTag(MarkupToken& token) {
    for (const TagSpec& spec : kTags) {
        if (!StartsWith(m_text, m_pos, spec.text)) {
            continue;
        }
        const size_t length = std::wcslen(spec.text);
        if (!spec.hasAttributes) {
            token = MarkupToken{};
            token.kind = spec.kind;
            token.delta = spec.delta;
            m_pos += length;
            return true;
        }
        const size_t close = NextClose(m_pos + length);
        if (close == std::wstring::npos) {
            return false;
        }
        token = MarkupToken{};
        token.kind = spec.kind;
        token.delta = spec.delta;
        const std::wstring inside =
            PlainText(MarkupText(m_text.begin() + static_cast<std::ptrdiff_t>(m_pos + length),
                                 m_text.begin() + static_cast<std::ptrdiff_t>(close)));
        if (spec.kind == Kind::kLinkStart) {
            token.target = FirstValue(inside);
        } else {
            token.attributes = ParseTagAttributes(inside);
        }
        m_pos = close + 1;
        return true;
    }
    return false;
}

bool MarkupTokenizer::Next(MarkupToken& token) {
    if (m_pos >= m_text.size()) {
        return false;
    }
    if (IsMarkup(m_text[m_pos], L'<') && ReadTag(token)) {
        return true;
    }
    // A run: up to the next "<"; a "<" that starts no tag is a run of its own.
    size_t end = m_pos + 1;
    if (!IsMarkup(m_text[m_pos], L'<')) {
        end = FindMarkup(m_text, m_pos, L'<');
        if (end == std::wstring::npos) {
            end = m_text.size();
        }
    }
    token = MarkupToken{};
    token.kind = Kind::kText;
    token.text.assign(m_text.begin() + static_cast<std::ptrdiff_t>(m_pos),
                      m_text.begin() + static_cast<std::ptrdiff_t>(end));
    m_pos = end;
    return true;
}

std::vector<MarkupToken> TokenizeMarkup(const std::wstring& text) {
    MarkupTokenizer tokenizer(text);
    // Every "<" gives at most two tokens (itself and the run after it), so the list never
    // grows by moving what it already holds.
    std::vector<MarkupToken> tokens;
    tokens.reserve(2 * static_cast<size_t>(std::count(text.begin(), text.end(), L'<')) + 1);
    MarkupToken token;
    while (tokenizer.Next(token)) {
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::map<std::wstring, std::wstring> ParseTagAttributes(const std::wstring& inside) {
    std::map<std::wstring, std::wstring> attributes;
    size_t i = 0;
    const auto blank = [&](size_t at) {
        return at < inside.size() && std::iswspace(static_cast<wint_t>(inside[at]));
    };
    while (i < inside.size()) {
        while (blank(i)) {
            ++i;
        }
        std::wstring name;
        while (i < inside.size() && inside[i] != L'=' && !blank(i)) {
            name += Upper(inside[i++]);
        }
        std::wstring value;
        if (i < inside.size() && inside[i] == L'=') {
            ++i;
            if (i < inside.size() && (inside[i] == L'"' || inside[i] == L'\'')) {
                const wchar_t quote = inside[i++];
                while (i < inside.size() && inside[i] != quote) {
                    value += inside[i++];
                }
                ++i;  // the closing quote
            } else {
                while (i < inside.size() && !blank(i)) {
                    value += inside[i++];
                }
            }
        }
        if (!name.empty() && attributes.find(name) == attributes.end()) {
            attributes.emplace(std::move(name), std::move(value));
        }
    }
    return attributes;
}

std::wstring PlainText(const MarkupText& text) {
    std::wstring plain;
    plain.reserve(text.size());
    for (const MarkupChar& c : text) {
        plain += c.ch;
    }
    return plain;
}

std::wstring MarkupPlainText(const std::wstring& markup) {
    std::wstring plain;
    MarkupTokenizer tokenizer(markup);
    MarkupToken token;
    while (tokenizer.Next(token)) {
        if (token.kind == MarkupToken::Kind::kText) {
            plain += PlainText(token.text);
        } else if (token.kind == MarkupToken::Kind::kLineBreak ||
                   token.kind == MarkupToken::Kind::kRule) {
            plain += L'\n';
        }
    }
    return plain;
}
