#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/discovery_datagrams.h"

namespace {

const MacAddress kOwnMac{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};

std::vector<uint8_t> Request() {
    std::vector<uint8_t> bytes(6, 0xff);
    for (char c : std::string("ZELKOR")) {
        bytes.push_back(static_cast<uint8_t>(c));
    }
    for (uint8_t b : {0x00, 0xa0, 0xff, 0x5f}) {
        bytes.push_back(b);
    }
    return bytes;
}

std::string TextAt(const std::vector<uint8_t>& reply, size_t offset) {
    return std::string(reinterpret_cast<const char*>(reply.data() + offset));
}

}  // namespace

TEST(SearchRequest, OnlyTheExactSixteenBytesForEveryoneOrForUs) {
    std::vector<uint8_t> request = Request();
    EXPECT_TRUE(IsSearchRequestFor(request.data(), request.size(), kOwnMac));

    std::vector<uint8_t> toUs = request;
    std::copy(kOwnMac.begin(), kOwnMac.end(), toUs.begin());
    EXPECT_TRUE(IsSearchRequestFor(toUs.data(), toUs.size(), kOwnMac));

    std::vector<uint8_t> toOther = toUs;
    toOther[5] ^= 1;
    EXPECT_FALSE(IsSearchRequestFor(toOther.data(), toOther.size(), kOwnMac));

    for (size_t i = 6; i < 16; ++i) {
        std::vector<uint8_t> broken = request;
        broken[i] ^= 0x01;
        EXPECT_FALSE(IsSearchRequestFor(broken.data(), broken.size(), kOwnMac)) << i;
    }
    std::vector<uint8_t> longer = request;
    longer.push_back(0);
    EXPECT_FALSE(IsSearchRequestFor(longer.data(), longer.size(), kOwnMac));
    EXPECT_FALSE(IsSearchRequestFor(request.data(), 15, kOwnMac));
}

TEST(SearchReply, FieldsAtTheirOffsetsEachZeroTerminated) {
    DiscoveryIdentity identity{kOwnMac,         "KV-Q3150Tx", "192.168.1.1",
                               "255.255.255.0", "admin",      "it's \xe9"};
    std::vector<uint8_t> reply = BuildSearchReply(identity);
    ASSERT_EQ(reply.size(), 424u);
    EXPECT_EQ(TextAt(reply, 17), "001a2b3c4d5e");
    EXPECT_EQ(TextAt(reply, 49), "KV-Q3150Tx");
    EXPECT_EQ(TextAt(reply, 72), "192.168.1.1");
    EXPECT_EQ(TextAt(reply, 104), "255.255.255.0");
    EXPECT_EQ(TextAt(reply, 136), "admin");
    EXPECT_EQ(TextAt(reply, 152), "it's \xe9");
}

TEST(SearchReply, OverlongTextsKeepTheirTerminatorAndLengthsAreHonoured) {
    DiscoveryIdentity identity{kOwnMac,     std::string(40, 'M'), "1.2.3.4",
                               "255.0.0.0", std::string(20, 'u'), std::string(500, 'p')};
    std::vector<uint8_t> reply = BuildSearchReply(identity);
    EXPECT_EQ(TextAt(reply, 49), std::string(22, 'M'));
    EXPECT_EQ(TextAt(reply, 72), "1.2.3.4");
    EXPECT_EQ(TextAt(reply, 136), std::string(15, 'u'));
    EXPECT_EQ(reply[423], 0);
    EXPECT_EQ(TextAt(reply, 152), std::string(271, 'p'));

    EXPECT_EQ(BuildSearchReply(identity, 600).size(), 600u);
    EXPECT_EQ(BuildSearchReply(identity, 423).size(), 423u);
}

TEST(MacText, ParsesCommonSpellings) {
    EXPECT_EQ(ParseMac("00:1a:2b:3c:4d:5e"), kOwnMac);
    EXPECT_EQ(ParseMac("00-1A-2B-3C-4D-5E"), kOwnMac);
    EXPECT_EQ(ParseMac("001a2b3c4d5e"), kOwnMac);
    EXPECT_FALSE(ParseMac("00:1a:2b:3c:4d"));
    EXPECT_FALSE(ParseMac("0:01a:2b:3c:4d:5e"));
    EXPECT_FALSE(ParseMac("00:1a:2b:3c:4d:5g"));
    EXPECT_EQ(FormatMac(kOwnMac, true), "00:1A:2B:3C:4D:5E");
}
