#include "web/encoders.h"
#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(EncodeBase64, PadsOneAndTwoByteFinalGroups) {
    EXPECT_EQ(EncodeBase64(L""), L"");
    EXPECT_EQ(EncodeBase64(L"a"), L"YQ==");
    EXPECT_EQ(EncodeBase64(L"ab"), L"YWI=");
    EXPECT_EQ(EncodeBase64(L"abc"), L"YWJj");
    EXPECT_EQ(EncodeBase64(L"admin:admin"), L"YWRtaW46YWRtaW4=");
}

TEST(EncodeBase64, EncodesTheWindows1252BytesAbove127AsUnsigned) {
    EXPECT_EQ(EncodeBase64(L"\u00e9"), L"6Q==");  // 0xE9
    EXPECT_EQ(EncodeBase64(L"\u20ac"), L"gA==");  // 0x80
    EXPECT_EQ(EncodeBase64(L"\u00ff\u00fe\u00fd"), L"//79");
    EXPECT_EQ(EncodeBase64(L"Ab\u20ac\u00e9"), L"QWKA6Q==");
    EXPECT_EQ(EncodeBase64(L"admin:p\u00e4ssw\u00f6rd"), L"YWRtaW46cORzc3f2cmQ=");
}

TEST(EncodeBase64, EncodesCredentialsLongerThanFiftyBytesWhole) {
    const std::wstring credential = L"user:" + std::wstring(60, L'x');
    EXPECT_EQ(EncodeBase64(credential),
              L"dXNlcjp4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4"
              L"eHh4eHg=");
}

TEST(FormEncode, SpaceBecomesPlusAndPlusIsEscaped) {
    EXPECT_EQ(FormEncode(L"a b+c"), L"a+b%2Bc");
    EXPECT_EQ(FormEncode(L"100%"), L"100%25");
    EXPECT_EQ(FormEncode(L""), L"");
}

TEST(FormEncode, EscapesEveryListedPunctuationWithUpperCaseHex) {
    EXPECT_EQ(FormEncode(L"!\"#$%&'()"), L"%21%22%23%24%25%26%27%28%29");
    EXPECT_EQ(FormEncode(L"+,/"), L"%2B%2C%2F");
    EXPECT_EQ(FormEncode(L":;<=>?"), L"%3A%3B%3C%3D%3E%3F");
    EXPECT_EQ(FormEncode(L"[\\]^"), L"%5B%5C%5D%5E");
    EXPECT_EQ(FormEncode(L"`"), L"%60");
    EXPECT_EQ(FormEncode(L"{|}~"), L"%7B%7C%7D%7E");
}

TEST(FormEncode, LeavesLettersDigitsSafeMarksControlsAndHighCharactersAlone) {
    const std::wstring unchanged = L"AZaz09*-.@_\t\r\n\u007f\u00e9\u20ac\u4e2d";
    EXPECT_EQ(FormEncode(unchanged), unchanged);
}

TEST(Windows1252, RoundTripsLatinAndHighControlBlockCharacters) {
    const std::wstring wide = L"A\u00e9\u20ac\u0160\u2122\u00ff";
    const std::string bytes = WideToAnsi(wide);
    EXPECT_EQ(bytes, std::string("A\xE9\x80\x8A\x99\xFF"));
    EXPECT_EQ(AnsiToWide(bytes), wide);
}

TEST(Windows1252, UndefinedBytesMapToControlsOfTheSameValueAndBack) {
    const std::string undefined("\x81\x8D\x8F\x90\x9D");
    const std::wstring wide = AnsiToWide(undefined);
    EXPECT_EQ(wide, L"\u0081\u008d\u008f\u0090\u009d");
    EXPECT_EQ(WideToAnsi(wide), undefined);
}

TEST(Windows1252, UnrepresentableCharactersBecomeQuestionMarks) {
    // U+0080 and U+0085 are C1 controls whose byte values the code page gives to other
    // characters; CJK, Latin Extended and characters beyond the BMP have no byte at all.
    EXPECT_EQ(WideToAnsi(L"a\u4e2db\u0100c\u0080\u0085\U0001F600"), "a?b?c???");
}

TEST(Windows1252, AnsiToWideStopsAtTheFirstZeroByte) {
    const char bytes[] = {'a', 'b', '\0', 'c', 'd'};
    EXPECT_EQ(AnsiToWide(bytes, sizeof bytes), L"ab");
    EXPECT_EQ(AnsiToWide(std::string("\0xyz", 4)), L"");
    EXPECT_EQ(AnsiToWide("xyz", 2), L"xy");  // never reads past the given length
}

}  // namespace

TEST(AnsiText, RepresentableExactlyWhenTheCodePageHasAByte) {
    EXPECT_TRUE(IsAnsiRepresentable(L"plain ASCII ?"));
    EXPECT_TRUE(IsAnsiRepresentable(L"\u00e9\u00ff\u20ac\u2122\u0081"));  // incl. an undefined byte
    EXPECT_FALSE(IsAnsiRepresentable(L"\u0080"));  // its byte carries the euro sign
    EXPECT_FALSE(IsAnsiRepresentable(L"\u4e2d"));
    EXPECT_FALSE(IsAnsiRepresentable(L"a\U0001F600"));
}
