#include "platform/ipv4.h"

#include <gtest/gtest.h>

namespace {

TEST(Ipv4, ParsesOnlyStrictDottedQuads) {
    EXPECT_EQ(ParseIpv4(L"192.168.1.200"), 0xC0A801C8u);
    EXPECT_EQ(FormatIpv4(0xC0A801F1u), L"192.168.1.241");
    for (const wchar_t* bad : {L"192.168.1", L"192.168.1.256", L"0x7f.0.0.1", L" 10.0.0.1"}) {
        EXPECT_FALSE(ParseIpv4(bad)) << bad;
    }
    EXPECT_FALSE(ParseIpv4(std::wstring(L"10.0.0.1\0garbage", 16)));
}

TEST(Ipv4, OnlyContiguousMasksHaveAPrefix) {
    for (int prefix = 0; prefix <= 32; ++prefix) {
        EXPECT_EQ(MaskToPrefix(PrefixToMask(prefix)), prefix);
    }
    EXPECT_FALSE(MaskToPrefix(0xFF00FF00u));
    EXPECT_FALSE(MaskToPrefix(0x00FFFFFFu));
}

}  // namespace
