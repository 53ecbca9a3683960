#include "apply/apply_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "apply/apply_report.h"
#include "platform/ansi_text.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Json = nlohmann::json;

// A recorded device answer, decoded from the wire's code page as the transport does.
std::wstring LoadPage(const std::string& name) {
    std::ifstream in(std::string(TAMSEL_TEST_DATA_DIR) + "/pages/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return AnsiToWide(bytes);
}

// What the recorded LAN, interface and status pages report: 192.168.2.254/24 with its
// DHCP server on, bridged to "Café Corner" with WPA2-PSK, firmware "v1.2.07 (Aug 14 2009)";
// logged in with "admin".
ObservedState Recorded() {
    ObservedState observed;
    ParseLanPage(LoadPage("lan_page.http"), observed.status);
    ParseWanPage(LoadPage("wan_page.http"), observed.status);
    ParseStatusPage(LoadPage("status_page.http"), observed.status);
    observed.loginPassword = L"admin";
    return observed;
}

DesiredState Desired(const std::string& json) {
    const DesiredStateParse parsed = ParseDesiredState(json);
    EXPECT_TRUE(parsed.state) << json;
    return parsed.state.value_or(DesiredState{});
}

std::vector<ApplyStep> Steps(const std::string& json, const ObservedState& observed = Recorded()) {
    return PlanApply(Desired(json), observed).steps;
}

// The state the recorded pages report, in every field that can be compared.
constexpr char kAsRecorded[] =
    R"j({"password": "admin",
        "lan": {"ip": "192.168.2.254", "mask": "255.255.255.0", "dhcp": true},
        "wireless": {"ssid": "Caf\u00e9 Corner", "security": "aes", "key": "passphrase1"},
        "firmware": {"version": "v1.2.07 (Aug 14 2009)", "image": "/dev/null"}})j";

TEST(ApplyPlanTest, AStateTheRepeaterHasAlreadyNeedsNoChange) {
    // /dev/null is no regular file: the firmware field is left out of this one.
    const std::string recorded = kAsRecorded;
    std::string json = recorded.substr(0, recorded.find(R"(,
        "firmware")"));
    json.push_back('}');
    EXPECT_THAT(Steps(json), IsEmpty());
    EXPECT_THAT(Steps("{}"), IsEmpty());
    // Addresses compare by their octets.
    EXPECT_THAT(Steps(R"({"lan": {"ip": "192.168.002.254"}})"), IsEmpty());
}

TEST(ApplyPlanTest, EachFieldThatDiffersBringsItsStep) {
    EXPECT_THAT(Steps(R"({"password": "s3cret"})"), ElementsAre(ApplyStep::kPassword));
    EXPECT_THAT(
        Steps(R"({"wireless": {"ssid": "Office", "security": "aes", "key": "passphrase1"}})"),
        ElementsAre(ApplyStep::kWireless));
    EXPECT_THAT(Steps(R"({"wireless": {"ssid": "Caf\u00e9 Corner", "security": "tkip",
                                       "key": "passphrase1"}})"),
                ElementsAre(ApplyStep::kWireless));
    EXPECT_THAT(Steps(R"({"lan": {"ip": "192.168.2.50"}})"), ElementsAre(ApplyStep::kLan));
    EXPECT_THAT(Steps(R"({"lan": {"mask": "255.255.0.0"}})"), ElementsAre(ApplyStep::kLan));
    EXPECT_THAT(Steps(R"({"lan": {"dhcp": false}})"), ElementsAre(ApplyStep::kLan));
}

TEST(ApplyPlanTest, TheKeyIsRewrittenOnlyWithANewNetworkOrWhenForced) {
    // The key cannot be read back: another key for the same network changes nothing...
    EXPECT_THAT(Steps(R"({"wireless": {"ssid": "Caf\u00e9 Corner", "security": "aes",
                                       "key": "another-passphrase"}})"),
                IsEmpty());
    // ...unless asked to.
    EXPECT_THAT(Steps(R"({"wireless": {"ssid": "Caf\u00e9 Corner", "security": "aes",
                                       "key": "another-passphrase", "force_key": true}})"),
                ElementsAre(ApplyStep::kWireless));
    // A security left out is not compared.
    EXPECT_THAT(Steps(R"({"wireless": {"ssid": "Caf\u00e9 Corner"}})"), IsEmpty());
}

// A firmware field for `version`, with an image that exists.
std::string FirmwareState(const std::string& version) {
    std::string json = R"({"firmware": {"version": ")";
    json.append(version);
    json.append(R"(", "image": "/proc/self/exe"}})");
    return json;
}

TEST(ApplyPlanTest, TheFirmwareStepComesOnlyForAnotherVersion) {
    ObservedState observed = Recorded();
    observed.status.firmwareVersion = L"3.1.5";
    EXPECT_THAT(Steps(FirmwareState("3.1.5"), observed), IsEmpty());
    EXPECT_THAT(Steps(FirmwareState("3.1.6"), observed), ElementsAre(ApplyStep::kFirmware));
}

TEST(ApplyPlanTest, ChangesRunPasswordWirelessFirmwareAndTheLanAddressLast) {
    const ApplyPlan plan =
        PlanApply(Desired(R"({"lan": {"ip": "192.168.2.50"}, "firmware": {"version": "9",
                    "image": "/proc/self/exe"}, "wireless": {"ssid": "Office"},
                    "password": "s3cret"})"),
                  Recorded());
    EXPECT_THAT(plan.steps, ElementsAre(ApplyStep::kPassword, ApplyStep::kWireless,
                                        ApplyStep::kFirmware, ApplyStep::kLan));
}

TEST(ApplyPlanTest, TheLanStepKeepsWhatWasLeftOutAsThePageReportsIt) {
    const ApplyPlan plan = PlanApply(Desired(R"({"lan": {"dhcp": false}})"), Recorded());
    EXPECT_EQ(plan.lan.ip, L"192.168.2.254");
    EXPECT_EQ(plan.lan.mask, L"255.255.255.0");
    EXPECT_FALSE(plan.lan.dhcpServerOn);

    DeviceStatus after = Recorded().status;
    EXPECT_FALSE(LanTaken(plan.lan, after));  // its DHCP server still runs
    after.dhcpServer = L"Disabled";
    EXPECT_TRUE(LanTaken(plan.lan, after));
}

TEST(ApplyPlanTest, TheInterfacePagesSecurityReadsAsTheSurveysWords) {
    EXPECT_EQ(SecurityKeywordOf(L"WPA2-PSK"), L"aes");
    EXPECT_EQ(SecurityKeywordOf(L"WPA2-PSK (AES)"), L"aes");
    EXPECT_EQ(SecurityKeywordOf(L"WPA-PSK (TKIP)"), L"tkip");
    EXPECT_EQ(SecurityKeywordOf(L"WPA-PSK"), L"tkip");
    EXPECT_EQ(SecurityKeywordOf(L"WEP 128-bit"), L"wep");
    EXPECT_EQ(SecurityKeywordOf(L" None "), L"none");
    EXPECT_EQ(SecurityKeywordOf(L"Disabled"), L"none");
    EXPECT_FALSE(SecurityKeywordOf(L"Enterprise"));
    // What it cannot tell is rewritten.
    ObservedState observed = Recorded();
    observed.status.security = L"Enterprise";
    EXPECT_THAT(Steps(R"({"wireless": {"ssid": "Caf\u00e9 Corner", "security": "aes",
                                       "key": "passphrase1"}})",
                      observed),
                ElementsAre(ApplyStep::kWireless));
}

TEST(ApplyPlanTest, TheDiffShowsBeforeAndAfterAndSecretsOnlyAsChanged) {
    const ApplyPlan plan =
        PlanApply(Desired(R"({"password": "s3cret-pw", "device_password": "admin",
                    "lan": {"ip": "192.168.2.50", "dhcp": true},
                    "wireless": {"ssid": "Office", "security": "tkip", "key": "k3y-passphrase"}})"),
                  Recorded());
    EXPECT_EQ(plan.before, Json::parse(R"j({"password": "(set)",
        "lan": {"ip": "192.168.2.254", "dhcp": true},
        "wireless": {"ssid": "Caf\u00e9 Corner", "security": "aes", "key": "(set)"}})j"));
    EXPECT_EQ(plan.after, Json::parse(R"j({"password": "(changed)",
        "lan": {"ip": "192.168.2.50", "dhcp": true},
        "wireless": {"ssid": "Office", "security": "tkip", "key": "(changed)"}})j"));

    // Unchanged secrets are left out.
    const ApplyPlan same =
        PlanApply(Desired(R"({"password": "admin", "wireless": {"ssid": "Caf\u00e9 Corner",
                    "key": "k3y-passphrase"}})"),
                  Recorded());
    EXPECT_FALSE(same.before.contains("password"));
    EXPECT_FALSE(same.after["wireless"].contains("key"));
}

TEST(ApplyReportTest, TheResultObjectSaysWhatBecameOfEachStep) {
    const ApplyPlan plan = PlanApply(
        Desired(R"({"password": "s3cret-pw", "lan": {"ip": "192.168.2.50"}})"), Recorded());
    ApplyReport report;
    report.address = L"192.168.2.254";
    report.Plan(plan, true);
    report.Set(ApplyStep::kPassword, StepResult::kChanged);
    report.Fail(ApplyStep::kLan, L"The repeater did not answer.", 3);
    const Json result = Json::parse(report.ToJson());
    EXPECT_EQ(result["address"], "192.168.2.254");
    EXPECT_EQ(result["final_address"], "192.168.2.254");
    EXPECT_EQ(result["check"], false);
    EXPECT_EQ(result["changed"], true);
    EXPECT_EQ(result["steps"], Json::parse(R"([{"step": "password", "result": "changed"},
                                              {"step": "lan", "result": "failed"}])"));
    EXPECT_EQ(result["failed"], Json::parse(R"({"step": "lan",
        "reason": "The repeater did not answer.", "exit_status": 3})"));
    EXPECT_EQ(result["diff"]["after"]["password"], "(changed)");
    EXPECT_THAT(report.ToJson(), Not(HasSubstr("s3cret")));

    ApplyReport check;
    check.check = true;
    check.Plan(plan, false);
    const Json checked = Json::parse(check.ToJson());
    EXPECT_EQ(checked["steps"][0]["result"], "would change");
    EXPECT_EQ(checked["changed"], true);
    EXPECT_TRUE(checked["failed"].is_null());
    EXPECT_FALSE(checked.contains("diff"));
}

TEST(ApplyReportTest, DeviceTextsLeaveAsAsciiEscapes) {
    ApplyReport report;
    report.address = L"192.168.1.1";
    report.Fail("read", L"caf\u00e9 \x1b[2J \x9b", 3);
    const std::string json = report.ToJson();
    EXPECT_THAT(json, HasSubstr(R"(caf\u00e9 \u001b[2J \u009b)"));
    EXPECT_EQ(json.back(), '\n');
    EXPECT_EQ(json.find('\n'), json.size() - 1);
}

}  // namespace
