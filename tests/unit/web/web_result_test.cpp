#include "web/web_result.h"

#include <gtest/gtest.h>

TEST(WebResultTest, NeedsHttpAndTwoHundredAnywhereCaseSensitive) {
    EXPECT_TRUE(IsGoodAnswer("HTTP/1.1 200 OK\r\n\r\n<html>"));
    // The "200" need not be the status code.
    EXPECT_TRUE(IsGoodAnswer("HTTP/1.1 401 Unauthorized\r\nContent-Length: 1200\r\n\r\n"));
    EXPECT_FALSE(IsGoodAnswer("HTTP/1.1 401 Unauthorized\r\n\r\nAccess denied"));
    EXPECT_FALSE(IsGoodAnswer("http/1.1 200 OK\r\n\r\n"));
    EXPECT_FALSE(IsGoodAnswer("<html>200 networks</html>"));
    EXPECT_FALSE(IsGoodAnswer(""));
}

TEST(WebResultTest, StatusLineIsReadOnlyFromTheStartOfTheAnswer) {
    EXPECT_EQ(HttpStatusOf("HTTP/1.1 401 Unauthorized\r\n"), 401);
    EXPECT_EQ(HttpStatusOf("HTTP/1.0 200 OK"), 200);
    EXPECT_FALSE(HttpStatusOf("<html>HTTP/1.1 401</html>").has_value());
    EXPECT_FALSE(HttpStatusOf("HTTP/1.1 2x0 OK").has_value());
    EXPECT_FALSE(HttpStatusOf("HTTP/1.1 20").has_value());
    // A status line and nothing more (tamselctl reads a bare 401 from such an answer).
    EXPECT_EQ(HttpStatusOf("HTTP/1.1 204"), 204);
    EXPECT_EQ(HttpStatusOf("HTTP/1.1 401"), 401);
}

TEST(WebResultTest, TheAnswerTurnsIntoTextThroughTheDevicesCodePage) {
    const WebResult result{L"LANINFO", 4, "HTTP/1.1 200 OK\r\n\r\n\xe9\x80"};
    EXPECT_EQ(result.ResponseText(), L"HTTP/1.1 200 OK\r\n\r\n\u00e9\u20ac");
}

TEST(WebResultTest, OnlyTheStartUpReadsAndTheBridgingFormAreDecidedByTheirCode) {
    for (const wchar_t* name : {L"LANINFO", L"waninfo", L"GetStatus", L"REPEATER"}) {
        EXPECT_TRUE(CompletionCodeDecides(name)) << name;
    }
    for (const wchar_t* name : {L"SITESURVEY", L"UPLOAD", L"SETUPPASSWORD", L""}) {
        EXPECT_FALSE(CompletionCodeDecides(name)) << name;
    }
    EXPECT_TRUE(IsFailureCode(5) && IsFailureCode(6) && IsFailureCode(7));
    EXPECT_FALSE(IsFailureCode(4));
}
