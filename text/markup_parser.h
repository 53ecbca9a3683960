#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// The markup of MarkupLabel texts: a few HTML-like tags and character entities.
//
// Entities are decoded first. A character that came from an entity is literal: it is
// never read as part of a tag and never breaks a word, so "&lt;B&gt;" shows the three
// characters "<B>" and "&nbsp;" keeps two words on one line.

struct MarkupChar {
    wchar_t ch;
    bool literal;
};
using MarkupText = std::vector<MarkupChar>;

// Replaces the entities of the fixed table ("&amp;", "&lt;", "&nbsp;", ...; names are
// matched case-sensitively) by literal characters.
MarkupText DecodeEntities(const std::wstring& text);

struct MarkupToken {
    enum class Kind {
        kText,       // `text`: a run of characters up to the next tag
        kLineBreak,  // <BR>
        kRule,       // <HR ...>: a line break, then a horizontal rule (attribute SIZE)
        kBold,       // <B> / </B>: `delta` +1 / -1, like every nesting tag below
        kItalic,     // <I>
        kUnderline,  // <U>
        kStrike,     // <STRIKE>
        kCenter,     // <CENTER>
        kSub,        // <SUB>
        kSup,        // <SUP>
        kBig,        // <BIG>: font one pixel larger (+1) / smaller (-1)
        kSmall,      // <SMALL>: font one pixel smaller (+1) / larger (-1)
        kFontStart,  // <FONT ...>: attributes COLOR, BGCOLOR, FACE, SIZE
        kFontEnd,    // </FONT>
        kCodeStart,  // <CODE>
        kCodeEnd,    // </CODE>
        kLinkStart,  // <A HREF="...">: `target`
        kLinkEnd,    // </A>
    };

    Kind kind = Kind::kText;
    int delta = 0;
    MarkupText text;
    std::map<std::wstring, std::wstring> attributes;  // names in upper case
    std::wstring target;
};

// Splits a text into runs and tags, consumed from the front, one token at a time, so a
// reader that stops early (the layout at the bottom of the control) reads no further.
// Tag names compare ignoring case. A "<" that starts no known tag, or a tag with
// attributes that is never closed by ">", is an ordinary character. Time and memory grow
// linearly with the text, whatever it holds.
class MarkupTokenizer {
public:
    explicit MarkupTokenizer(const std::wstring& text);

    // The next token; false when the text is used up.
    bool Next(MarkupToken& token);

private:
    bool ReadTag(MarkupToken& token);
    size_t NextClose(size_t from);

    MarkupText m_text;
    size_t m_pos = 0;
    // The last search for a tag's closing ">": where it started and what it found. The
    // tags are read front to back, so the answer holds until the reading passes it, and
    // unclosed tags do not search the rest of the text again each.
    bool m_closeSearched = false;
    size_t m_closeFrom = 0;
    size_t m_close = 0;
};

// All tokens of a text.
std::vector<MarkupToken> TokenizeMarkup(const std::wstring& text);

// Attributes of a tag's inside, NAME=value separated by blanks; values may be quoted
// with double or single quotes (and then hold blanks). Names come back upper-cased.
std::map<std::wstring, std::wstring> ParseTagAttributes(const std::wstring& inside);

// The characters of a markup text as plain text (literal or not).
std::wstring PlainText(const MarkupText& text);

// What a markup text reads as, for assistive technology: its characters without the tags,
// entities decoded, a line break for <BR> and <HR>.
std::wstring MarkupPlainText(const std::wstring& markup);
