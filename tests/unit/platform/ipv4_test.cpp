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

// The one test of "private" that the search's advice and the temporary addresses share.
TEST(Ipv4, PrivateNetworksAreTheThreeBlocksOfRfc1918) {
    EXPECT_EQ(PrivateNetworkPrefix(0x0A000000u), 8);
    EXPECT_EQ(PrivateNetworkPrefix(0xAC100001u), 12);
    EXPECT_EQ(PrivateNetworkPrefix(0xAC1FFFFEu), 12);
    EXPECT_EQ(PrivateNetworkPrefix(0xC0A8FFFFu), 16);
    for (const Ipv4 other : {0xAC0FFFFFu,  // 172.15.255.255
                             0xAC200000u,  // 172.32.0.0
                             0xC0A90000u,  // 192.169.0.0
                             0xA9FE0101u,  // link-local 169.254.1.1
                             0x64400001u,  // shared 100.64.0.1
                             0x0B000001u}) {
        EXPECT_FALSE(PrivateNetworkPrefix(other)) << FormatIpv4Ascii(other);
    }
}

}  // namespace
