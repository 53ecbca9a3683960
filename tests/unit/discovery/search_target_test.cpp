#include "discovery/search_target.h"

#include <gtest/gtest.h>

namespace {

TEST(SearchTargetTest, OneAddressOrABlockUpToASlash22) {
    const SearchTargetParse one = ParseSearchTarget(L" 192.168.7.20 ");
    ASSERT_TRUE(one.target);
    EXPECT_TRUE(one.reason.empty());
    EXPECT_EQ(one.target->Count(), 1u);
    EXPECT_EQ(one.target->Address(0), 0xC0A80714u);
    EXPECT_EQ(one.target->Text(), L"192.168.7.20");
    EXPECT_EQ(ParseSearchTarget(L"192.168.7.20/32").target, one.target);

    // Host bits are dropped; the network and broadcast addresses are not searched.
    const SearchTargetParse block = ParseSearchTarget(L"192.168.7.20/24");
    ASSERT_TRUE(block.target);
    EXPECT_EQ(block.target->Text(), L"192.168.7.0/24");
    EXPECT_EQ(block.target->Count(), 254u);
    EXPECT_EQ(block.target->Address(0), 0xC0A80701u);
    EXPECT_EQ(block.target->Address(253), 0xC0A807FEu);

    const SearchTargetParse largest = ParseSearchTarget(L"10.64.3.3/22");
    ASSERT_TRUE(largest.target);
    EXPECT_EQ(largest.target->Text(), L"10.64.0.0/22");
    EXPECT_EQ(largest.target->Count(), 1022u);
    // Inside a /22 the .255 and .0 of its middle /24s are host addresses like any other.
    EXPECT_EQ(largest.target->Address(254), 0x0A4000FFu);
    EXPECT_EQ(largest.target->Address(1021), 0x0A4003FEu);

    // A point-to-point pair and a /30 (two hosts).
    EXPECT_EQ(ParseSearchTarget(L"10.0.0.5/31").target->Count(), 2u);
    EXPECT_EQ(ParseSearchTarget(L"10.0.0.5/31").target->Address(0), 0x0A000004u);
    EXPECT_EQ(ParseSearchTarget(L"10.0.0.5/30").target->Count(), 2u);
    EXPECT_EQ(ParseSearchTarget(L"10.0.0.5/30").target->Address(1), 0x0A000006u);
}

TEST(SearchTargetTest, RefusesWhatIsNoUnicastTargetWithAReason) {
    struct Case {
        const wchar_t* text;
        const wchar_t* reasonPart;
    };
    const Case cases[] = {
        {L"", L"neither"},
        {L"repeater.local", L"neither"},
        {L"192.168.1", L"neither"},
        {L"192.168.1.1/", L"neither"},
        {L"192.168.1.1/33", L"neither"},
        {L"192.168.1.1/024", L"neither"},
        {L"192.168.1.1/-1", L"neither"},
        {L"192.168.1.1/24/24", L"neither"},
        {L"192.168.1.01", L"neither"},
        {L"192.168.1.1 /24", L"neither"},
        {L"10.0.0.0/21", L"2048 addresses"},
        {L"10.0.0.0/0", L"4294967296 addresses"},
        {L"0.0.0.0", L"0.0.0.0/8"},
        {L"0.1.2.3/24", L"0.0.0.0/8"},
        {L"127.0.0.1", L"loopback"},
        {L"127.255.252.0/22", L"loopback"},
        {L"224.0.0.251", L"multicast"},
        {L"239.255.255.0/24", L"multicast"},
        {L"255.255.255.255", L"broadcast"},
        {L"255.255.252.0/22", L"broadcast"},
        {L"240.0.0.1", L"reserved"},
    };
    for (const Case& c : cases) {
        const SearchTargetParse parsed = ParseSearchTarget(c.text);
        EXPECT_FALSE(parsed.target) << std::wstring(c.text).size();
        EXPECT_NE(parsed.reason.find(c.reasonPart), std::wstring::npos)
            << std::string(parsed.reason.begin(), parsed.reason.end());
    }
    // Just outside the refused ranges.
    for (const wchar_t* text : {L"1.0.0.0/22", L"126.255.252.0/22", L"128.0.0.1",
                                L"223.255.255.0/24", L"169.254.1.0/24"}) {
        EXPECT_TRUE(ParseSearchTarget(text).target) << std::wstring(text).size();
    }
}

}  // namespace
