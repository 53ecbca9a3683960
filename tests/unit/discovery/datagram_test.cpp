#include "discovery/datagram.h"

#include <gtest/gtest.h>

#include "support/reply_builder.h"

namespace {

std::optional<FoundDevice> Parse(const std::vector<uint8_t>& bytes,
                                 const std::vector<FoundDevice>& known = {}) {
    return ParseSearchReply(bytes.data(), bytes.size(), known);
}

TEST(SearchRequest, AllDevicesRequestIsTheSixteenFixedBytes) {
    const uint8_t all[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const auto request = BuildSearchRequest(all);
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'Z',  'E',
                                           'L',  'K',  'O',  'R',  0x00, 0xA0, 0xFF, 0x5F};
    EXPECT_EQ(std::vector<uint8_t>(request.begin(), request.end()), expected);

    const uint8_t one[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0xAA};
    const auto targeted = BuildSearchRequest(one);
    EXPECT_EQ(std::vector<uint8_t>(targeted.begin(), targeted.begin() + 6),
              std::vector<uint8_t>(one, one + 6));
    EXPECT_EQ(targeted[6], 'Z');
}

TEST(SearchReply, MinimumLengthIs424Bytes) {
    EXPECT_TRUE(Parse(BuildReply({}, 424)).has_value());
    EXPECT_FALSE(Parse(BuildReply({}, 423)).has_value());
    EXPECT_FALSE(Parse(BuildReply({}, 16)).has_value());
    EXPECT_FALSE(ParseSearchReply(nullptr, 0, {}).has_value());
}

TEST(SearchReply, FieldsAreReadFromTheirOffsets) {
    const auto device = Parse(BuildReply({}));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->model, L"KV-Q3150Tx");
    EXPECT_EQ(device->mac, L"00:11:22:33:44:AA");
    EXPECT_EQ(device->ip, L"192.168.1.254");
    EXPECT_EQ(device->subnet, L"255.255.255.0");
    EXPECT_EQ(device->userName, L"admin");
    EXPECT_EQ(device->password, L"secret");
}

TEST(SearchReply, ApostrophesDroppedEverywhereButTheModel) {
    ReplyFields f;
    f.mac = "'0011223344aa'";
    f.model = "KV-'Q3150Tx'";
    f.ip = "'192.168.1.254'";
    f.subnet = "255.'255.255'.0";
    f.user = "ad'min";
    f.password = "'pw'";
    const auto device = Parse(BuildReply(f));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->mac, L"00:11:22:33:44:AA");
    EXPECT_EQ(device->model, L"KV-'Q3150Tx'");
    EXPECT_EQ(device->ip, L"192.168.1.254");
    EXPECT_EQ(device->subnet, L"255.255.255.0");
    EXPECT_EQ(device->userName, L"admin");
    EXPECT_EQ(device->password, L"pw");
}

TEST(SearchReply, FirstReplyOfADeviceWinsIgnoringCase) {
    std::vector<FoundDevice> known;
    known.push_back(*Parse(BuildReply({})));

    ReplyFields upper;
    upper.mac = "0011223344AA";
    upper.ip = "10.0.0.1";
    EXPECT_FALSE(Parse(BuildReply(upper), known).has_value());

    ReplyFields other;
    other.mac = "0011223344ab";
    const auto second = Parse(BuildReply(other), known);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->mac, L"00:11:22:33:44:AB");
}

TEST(SearchReply, TextWithoutZeroByteStopsAtTheEndOfTheReceivedBytes) {
    // Exactly 424 bytes with the password filling its field to the last byte: the
    // reader must stop at the end of the buffer (ASan checks it never reads beyond).
    ReplyFields f;
    f.password = std::string(272, 'p');
    const auto device = Parse(BuildReply(f, 424));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->password, std::wstring(272, L'p'));

    // A field without its zero byte runs on into the next one.
    f = ReplyFields();
    f.user = std::string(16, 'u');
    f.password = "pw";
    EXPECT_EQ(Parse(BuildReply(f))->userName, std::wstring(16, L'u') + L"pw");
}

TEST(SearchReply, NothingBeyondTheReceiveBufferIsRead) {
    std::vector<uint8_t> reply = BuildReply({}, 1500);
    std::fill(reply.begin() + 152, reply.end(), 'x');
    const auto device = Parse(reply);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->password.size(), 1024u - 152u);
}

TEST(MacFormatting, ColonsAfterEveryPairAndShortTextsPaddedAtTheEnd) {
    EXPECT_EQ(FormatMacAddress(L"0011223344aa"), L"00:11:22:33:44:AA");
    EXPECT_EQ(FormatMacAddress(L"'00'11223344aa"), L"00:11:22:33:44:AA");
    EXPECT_EQ(FormatMacAddress(L""), L":::::");
    EXPECT_EQ(FormatMacAddress(L"abc"), L"AB:C::::");
    EXPECT_TRUE(SameMacAddress(L"00:11:22:33:44:aa", L"00:11:22:33:44:AA"));
    EXPECT_FALSE(SameMacAddress(L"00:11:22:33:44:AA", L"00:11:22:33:44:AA:"));
}

}  // namespace
