#include "text/markup_parser.h"

#include <gtest/gtest.h>

// What a screen reader is given of a markup label: the characters the label shows.
TEST(MarkupPlainText, DropsTagsDecodesEntitiesAndBreaksLines) {
    EXPECT_EQ(MarkupPlainText(L"<CENTER>Loading....</CENTER>"), L"Loading....");
    EXPECT_EQ(MarkupPlainText(L"<b>5&deg;</b> &amp; 20&euro;"), L"5\u00b0 & 20\u20ac");
    // A device value escaped for the label reads as itself.
    EXPECT_EQ(MarkupPlainText(L"&lt;B&gt;Home&lt;/B&gt;"), L"<B>Home</B>");
    EXPECT_EQ(MarkupPlainText(L"one<BR>two<HR SIZE=2>three"), L"one\ntwo\nthree");
    EXPECT_EQ(MarkupPlainText(L"<FONT COLOR=\"red\">192.168.1.1</FONT>"), L"192.168.1.1");
    // A "<" that opens no tag is a character.
    EXPECT_EQ(MarkupPlainText(L"a < b"), L"a < b");
    EXPECT_EQ(MarkupPlainText(L""), L"");
}
