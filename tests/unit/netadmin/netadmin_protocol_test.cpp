#include "platform/linux/netadmin_protocol.h"

#include <gtest/gtest.h>

namespace {

NetAdminRequest Parsed(const std::string& line) {
    const auto parsed = ParseRequest(line);
    EXPECT_TRUE(std::holds_alternative<NetAdminRequest>(parsed)) << line;
    return std::holds_alternative<NetAdminRequest>(parsed) ? std::get<NetAdminRequest>(parsed)
                                                           : NetAdminRequest{};
}

TEST(NetAdminProtocol, EveryRequestSurvivesFormattingAndParsing) {
    // verb, interface, address, device, prefix, source
    const NetAdminRequest requests[] = {
        {NetAdminVerb::kAdd, 2, 0xC0A801F1, 0xC0A801C8, 24, 0},
        {NetAdminVerb::kRenew, 7, 0x0A0000F7, 0, 0, 0},
        {NetAdminVerb::kDelete, 3, 0xC0A801F2, 0, 0, 0},
        {NetAdminVerb::kFlush, 2147483647, 0xC0A801C8, 0, 0, 0},
        {NetAdminVerb::kArp, 2, 0xC0A801C8, 0, 0, 0xC0A801F1},
        {NetAdminVerb::kArp, 2, 0xC0A801F1, 0, 0, 0},
        {NetAdminVerb::kResume, 0, 0, 0, 0, 0},
        {NetAdminVerb::kWatch, 0, 0, 0, 0, 0, 60},
        {NetAdminVerb::kCount, 0, 0, 0, 0, 0},
    };
    for (const NetAdminRequest& request : requests) {
        EXPECT_EQ(Parsed(FormatRequest(request)), request) << FormatRequest(request);
    }
    EXPECT_EQ(FormatRequest(requests[0]), "add 2 192.168.1.200/24 192.168.1.241");
    EXPECT_EQ(FormatRequest(requests[4]), "arp 2 192.168.1.200 192.168.1.241");
    EXPECT_EQ(FormatRequest(requests[6]), "resume");
    EXPECT_EQ(FormatRequest(requests[7]), "watch 60");
    EXPECT_EQ(FormatRequest(requests[8]), "count");
    EXPECT_EQ(ParseAnswer(FormatCountAnswer(17)).count, 17u);
    EXPECT_EQ(ParseAnswer("ok 0").count, 0u);
    EXPECT_FALSE(ParseAnswer("ok 192.168.1.241/32").count);
}

// A watch is bounded in time by the request itself: 1 to 120 seconds.
TEST(NetAdminProtocol, AWatchTakesOneToTwoMinutes) {
    EXPECT_EQ(Parsed("watch 1").seconds, 1u);
    EXPECT_EQ(Parsed("watch 120").seconds, 120u);
    for (const char* line : {"watch", "watch 0", "watch 121", "watch 4294967296", "watch 060",
                             "watch -1", "watch 5 5", "count 2"}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(ParseRequest(line))) << line;
    }
}

TEST(NetAdminProtocol, MalformedLinesAreRefusedWithAReason) {
    const char* malformed[] = {
        "",
        "add",
        "ADD 2 192.168.1.200/24 192.168.1.241",
        "add 2 192.168.1.200/24",
        "add 2 192.168.1.200/24 192.168.1.241 extra",
        "add  2 192.168.1.200/24 192.168.1.241",  // two spaces
        "add 2 192.168.1.200/24 192.168.1.241 ",  // trailing space
        "add 0 192.168.1.200/24 192.168.1.241",   // no interface has index 0
        "add 02 192.168.1.200/24 192.168.1.241",  // leading zero
        "add -2 192.168.1.200/24 192.168.1.241",
        "add 4294967296 192.168.1.200/24 192.168.1.241",
        "add 2 192.168.1.200 192.168.1.241",  // no prefix
        "add 2 192.168.1.200/33 192.168.1.241",
        "add 2 192.168.1.200/24x 192.168.1.241",
        "add 2 192.168.1/24 192.168.1.241",
        "add 2 192.168.1.200/24 192.168.1.241/24",
        "add 2 192.168.1.241/24 120",  // the old form, with a lifetime
        "renew 2 192.168.1.241 120",
        "delete 2 192.168.1.241/24",
        "arp 2 192.168.1.200",
        "arp 2 192.168.1.200 localhost",
        "flush 2",
        "flush eth0 192.168.1.200",
        "resume now",
        "rm -rf /",
    };
    for (const char* line : malformed) {
        const auto parsed = ParseRequest(line);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << "accepted: " << line;
        EXPECT_FALSE(std::get<std::string>(parsed).empty());
    }
    EXPECT_TRUE(std::holds_alternative<std::string>(
        ParseRequest(std::string("resume") + std::string(kNetAdminMaxLineLength, ' '))));
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseRequest(std::string("resume\0", 7))));
}

TEST(NetAdminProtocol, AnswersCarryTheHardwareAddressOrTheReason) {
    const std::vector<uint8_t> mac{0x00, 0x1a, 0x2b, 0x00, 0x00, 0xff};
    EXPECT_EQ(FormatOkAnswer(mac), "ok 00:1a:2b:00:00:ff");
    const NetAdminAnswer ok = ParseAnswer(FormatOkAnswer(mac));
    EXPECT_EQ(ok.kind, NetAdminAnswer::Kind::kOk);
    EXPECT_EQ(ok.hardwareAddress, mac);
    EXPECT_EQ(ParseAnswer("ok").kind, NetAdminAnswer::Kind::kOk);
    const NetAdminAnswer added = ParseAnswer(FormatAddedAnswer({2, 0xC0A801F1, 32}));
    EXPECT_EQ(added.kind, NetAdminAnswer::Kind::kOk);
    EXPECT_EQ(added.added, (HostAddressContext{0, 0xC0A801F1, 32}));
    EXPECT_EQ(ParseAnswer(kNetAdminNoneAnswer).kind, NetAdminAnswer::Kind::kNone);

    // A reason never breaks the one-line framing.
    const NetAdminAnswer error = ParseAnswer(FormatErrorAnswer("no\ninterface"));
    EXPECT_EQ(error.kind, NetAdminAnswer::Kind::kError);
    EXPECT_EQ(error.reason, "no interface");

    for (const char* garbled : {"ok 00:1a", "ok 00:1a:2", "ok 0g:00", "ok :00", "ok 00:", "yes",
                                "OK", "none please", "ok 192.168.1.241/33", "ok 192.168.1.241"}) {
        EXPECT_EQ(ParseAnswer(garbled).kind, NetAdminAnswer::Kind::kError) << garbled;
    }
}

}  // namespace
