// The markup tokenizer on any text: it ends, gives every character of the decoded text
// to exactly one token (tags are dropped whole), reads attributes with upper-case names
// free of blanks and '=', and reads as plain text the runs and line breaks alone.

#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "text/markup_parser.h"

namespace {

void CheckAttributes(const std::map<std::wstring, std::wstring>& attributes) {
    for (const auto& [name, value] : attributes) {
        FUZZ_CHECK(!name.empty());
        for (wchar_t ch : name) {
            FUZZ_CHECK(ch != L'=' && !std::iswspace(static_cast<wint_t>(ch)));
            FUZZ_CHECK(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch))) == ch);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = fuzz::AnyText(data, size);
    const MarkupText decoded = DecodeEntities(text);
    FUZZ_CHECK(decoded.size() <= text.size());

    const std::vector<MarkupToken> tokens = TokenizeMarkup(text);
    size_t runCharacters = 0;
    for (const MarkupToken& token : tokens) {
        if (token.kind == MarkupToken::Kind::kText) {
            FUZZ_CHECK(!token.text.empty());
            runCharacters += token.text.size();
        } else {
            FUZZ_CHECK(token.text.empty());
        }
        CheckAttributes(token.attributes);
        FUZZ_CHECK(token.target.size() <= text.size());
    }
    FUZZ_CHECK(runCharacters <= decoded.size());
    FUZZ_CHECK(tokens.size() <= decoded.size());
    // With no markup "<" the whole text is one run.
    bool anyTagStart = false;
    for (const MarkupChar& c : decoded) {
        anyTagStart = anyTagStart || (!c.literal && c.ch == L'<');
    }
    if (!anyTagStart && !decoded.empty()) {
        FUZZ_CHECK(tokens.size() == 1 && runCharacters == decoded.size());
    }

    CheckAttributes(ParseTagAttributes(text));
    // What a screen reader gets: never more characters than the runs and breaks hold.
    size_t breaks = 0;
    for (const MarkupToken& token : tokens) {
        breaks +=
            token.kind == MarkupToken::Kind::kLineBreak || token.kind == MarkupToken::Kind::kRule;
    }
    FUZZ_CHECK(MarkupPlainText(text).size() == runCharacters + breaks);
    return 0;
}
