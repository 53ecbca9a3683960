#include "apply/desired_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string Problem(const std::string& json) {
    const DesiredStateParse parsed = ParseDesiredState(json);
    EXPECT_FALSE(parsed.state) << json;
    return parsed.problem.field;
}

std::wstring Line(const std::string& json) {
    return ParseDesiredState(json).problem.line;
}

class ImageFile {
public:
    ImageFile() : m_path(testing::TempDir() + "/desired_state_image.bin") {
        std::ofstream(m_path) << "TMSLFW01";
    }
    ~ImageFile() { std::remove(m_path.c_str()); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

TEST(DesiredStateTest, AnEmptyDocumentAsksForNothing) {
    const DesiredStateParse parsed = ParseDesiredState("{}");
    ASSERT_TRUE(parsed.state);
    EXPECT_FALSE(parsed.state->lan || parsed.state->wireless || parsed.state->password ||
                 parsed.state->firmware || parsed.state->devicePassword);
}

TEST(DesiredStateTest, EveryFieldIsRead) {
    const ImageFile image;
    const DesiredStateParse parsed = ParseDesiredState(
        R"({"device_password": "old", "password": "new one",
            "lan": {"ip": "192.168.001.50", "mask": "255.255.0.0", "dhcp": false},
            "wireless": {"ssid": "Office", "security": "aes", "key": "passphrase1",
                         "key_index": 3, "force_key": true},
            "firmware": {"version": "3.1.5", "image": ")" +
        image.path() + R"("}})");
    ASSERT_TRUE(parsed.state) << std::string(parsed.problem.field);
    const DesiredState& s = *parsed.state;
    EXPECT_EQ(*s.devicePassword, L"old");
    EXPECT_EQ(*s.password, L"new one");
    // As the address fields show it.
    EXPECT_EQ(*s.lan->ip, L"192.168.1.50");
    EXPECT_EQ(*s.lan->mask, L"255.255.0.0");
    EXPECT_EQ(s.lan->dhcpServer, false);
    EXPECT_EQ(s.wireless->ssid, L"Office");
    EXPECT_EQ(*s.wireless->security, L"aes");
    EXPECT_EQ(s.wireless->key, L"passphrase1");
    EXPECT_EQ(s.wireless->keyIndex, 3);
    EXPECT_TRUE(s.wireless->forceKey);
    EXPECT_EQ(s.firmware->version, L"3.1.5");
    EXPECT_EQ(s.firmware->imagePath, image.path());
}

TEST(DesiredStateTest, AnUnknownFieldIsRefusedWithItsPathAtAnyLevel) {
    EXPECT_EQ(Problem(R"({"lan": {"ip": "192.168.1.5"}, "passwd": "x"})"), "passwd");
    EXPECT_EQ(Problem(R"({"wireless": {"sssid": "Office"}})"), "wireless.sssid");
    EXPECT_EQ(Problem(R"({"lan": {"gateway": "10.0.0.1"}})"), "lan.gateway");
    EXPECT_EQ(Problem(R"({"firmware": {"version": "1", "image": "/x", "md5": ""}})"),
              "firmware.md5");
    EXPECT_EQ(Line(R"({"wireless": {"sssid": "Office"}})"), L"wireless.sssid: unknown field.");
    // An empty name still names a field (it once gave an empty path: a refusal of nothing).
    EXPECT_EQ(Problem(R"({"": "x"})"), R"("")");
    EXPECT_EQ(Problem(R"({"lan": {"": 1}})"), R"(lan."")");
}

TEST(DesiredStateTest, WrongShapesAreRefusedWithTheField) {
    EXPECT_EQ(Problem("[]"), "input");
    // A number no double holds is refused, not thrown out of the reader.
    EXPECT_EQ(Problem("1190e324"), "input");
    EXPECT_EQ(Problem(R"({"lan": {"dhcp": 1e400}})"), "input");
    EXPECT_EQ(Problem(R"({"lan": "192.168.1.5"})"), "lan");
    EXPECT_EQ(Problem(R"({"lan": {"dhcp": "on"}})"), "lan.dhcp");
    EXPECT_EQ(Problem(R"({"password": 1234})"), "password");
    EXPECT_EQ(Problem(R"({"wireless": {"ssid": "a", "key_index": 5}})"), "wireless.key_index");
    EXPECT_EQ(Problem(R"({"wireless": {"ssid": "a", "key_index": "1"}})"), "wireless.key_index");
    EXPECT_EQ(Problem(R"({"wireless": {"ssid": "a", "security": "wpa3"}})"), "wireless.security");
    EXPECT_EQ(Problem(R"({"wireless": {"security": "none"}})"), "wireless.ssid");
}

TEST(DesiredStateTest, TheWizardsAddressRulesNameTheField) {
    EXPECT_EQ(Problem(R"({"lan": {"ip": "192.168.1.5", "mask": "255.0.255.0"}})"), "lan.mask");
    EXPECT_THAT(Line(R"({"lan": {"mask": "255.255.255.255"}})"),
                HasSubstr(L"lan.mask: Invalid Subnet mask"));
    EXPECT_EQ(Problem(R"({"lan": {"ip": "0.1.2.3"}})"), "lan.ip");
    EXPECT_EQ(Problem(R"({"lan": {"ip": "192.168.1.255"}})"), "lan.ip");
    EXPECT_EQ(Problem(R"({"lan": {"ip": "192.168.1"}})"), "lan.ip");
    EXPECT_EQ(Problem(R"({"lan": {"mask": "255.255.255.0 "}})"), "lan.mask");
}

TEST(DesiredStateTest, TheKeyMustSuitItsSecurity) {
    EXPECT_EQ(Problem(R"({"wireless": {"ssid": "a", "security": "aes", "key": "short"}})"),
              "wireless.key");
    EXPECT_THAT(Line(R"({"wireless": {"ssid": "a", "security": "wep", "key": "123456"}})"),
                HasSubstr(L"wireless.key: The Key can be entered as 5 or 13"));
    EXPECT_EQ(Problem(R"({"wireless": {"ssid": "a", "security": "tkip"}})"), "wireless.key");
    EXPECT_TRUE(
        ParseDesiredState(R"({"wireless": {"ssid": "a", "security": "wep", "key": "abcde"}})")
            .state);
    EXPECT_TRUE(ParseDesiredState(R"({"wireless": {"ssid": "a", "security": "none"}})").state);
    // Without the security the survey's tells, later.
    EXPECT_TRUE(ParseDesiredState(R"({"wireless": {"ssid": "a", "key": "x"}})").state);
}

TEST(DesiredStateTest, TheNewPasswordFollowsThePasswordPagesRules) {
    EXPECT_EQ(Problem(R"({"password": ""})"), "password");
    EXPECT_EQ(Problem(R"({"password": "\u4e2d\u6587"})"), "password");
    EXPECT_EQ(Problem(R"({"password": "1234567890123456789012345678901"})"), "password");
    EXPECT_TRUE(ParseDesiredState(R"({"password": "123456789012345678901234567890"})").state);
}

TEST(DesiredStateTest, FirmwareNeedsAVersionAndAnImageThatExists) {
    const ImageFile image;
    EXPECT_EQ(Problem(R"({"firmware": {"version": "3.1.5"}})"), "firmware.image");
    EXPECT_EQ(Problem(R"({"firmware": {"image": ")" + image.path() + R"("}})"), "firmware.version");
    EXPECT_EQ(Problem(R"({"firmware": {"version": "3.1.5", "image": "/nonexistent/x.bin"}})"),
              "firmware.image");
    EXPECT_EQ(Problem(R"({"firmware": {"version": "3.1.5", "image": "/"}})"), "firmware.image");
}

TEST(DesiredStateTest, NoMessageHoldsASecretsValue) {
    for (const std::string& json :
         {std::string(R"({"password": "hunter2-is-long-enough-but-far-too-long-for-it"})"),
          std::string(R"({"wireless": {"ssid": "a", "security": "aes", "key": "hunter2"}})"),
          std::string(R"({"device_password": "hunter2", "wireless": 3})"),
          std::string(R"({"device_password": "hunter2)"),
          std::string(R"({"password": "hunter2",)")}) {
        const DesiredStateParse parsed = ParseDesiredState(json);
        ASSERT_FALSE(parsed.state) << json;
        EXPECT_THAT(parsed.problem.line, Not(HasSubstr(L"hunter2"))) << json;
    }
    EXPECT_THAT(Line(R"({"password": "x)"), HasSubstr(L"not valid JSON (at byte"));
}

TEST(DesiredStateTest, AnOverlongDocumentIsRefusedUnread) {
    const std::string huge(kMaxDesiredStateBytes + 1, ' ');
    EXPECT_EQ(Problem(huge), "input");
}

}  // namespace
