#include "web/request_catalogue.h"
#include "platform/ansi_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "web/encoders.h"
#include "web/selected_device.h"

namespace {

// The expected requests under tests/data/golden were written by hand from the device's
// request formats, for this target.
const DeviceTarget kTarget{L"192.168.1.254", L"255.255.255.0", L"YWRtaW46YWRtaW4="};

const std::wstring kSsid = L"My Net&+%\u00e9";
const std::wstring kWep13 = L"ab&d e+g%ij/k";
const std::wstring kWep10Hex = L"0a1B2c3D4e";
const std::wstring kPsk64 = L"0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789ABCDEF";
const std::wstring kPassphrase = L"pass word&+%\u00e9";

std::string Golden(const std::string& name) {
    const std::string path = std::string(TAMSEL_TEST_DATA_DIR) + "/golden/" + name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.is_open()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Wire(const WebRequest& request) {
    return WideToAnsi(request.ToText());
}

// content-Length must equal the bytes after the blank line, less the line end that two
// forms add after their body.
void ExpectContentLengthMatchesBody(const std::string& wire, size_t trailingBytes) {
    const std::string key = "\r\ncontent-Length: ";
    const size_t at = wire.find(key);
    const size_t headerEnd = wire.find("\r\n\r\n");
    ASSERT_NE(at, std::string::npos);
    ASSERT_NE(headerEnd, std::string::npos);
    const uint64_t declared = std::stoull(wire.substr(at + key.size()));
    EXPECT_EQ(declared, wire.size() - (headerEnd + 4) - trailingBytes);
}

struct GoldenCase {
    const char* file;
    std::function<WebRequest()> build;
};

TEST(RequestCatalogue, PageReadsAndFixedFormsMatchTheirExactBytes) {
    const GoldenCase cases[] = {
        {"laninfo.http", [] { return BuildLanInfoRequest(kTarget); }},
        {"waninfo.http", [] { return BuildWanInfoRequest(kTarget); }},
        {"getstatus.http", [] { return BuildGetStatusRequest(kTarget); }},
        {"sitesurvey.http", [] { return BuildSiteSurveyRequest(kTarget); }},
        {"uncheckrepeater.http", [] { return BuildUncheckRepeaterRequest(kTarget); }},
        {"reboot.http", [] { return BuildRebootRequest(kTarget); }},
        {"resetdefault.http", [] { return BuildResetDefaultRequest(kTarget); }},
    };
    for (const GoldenCase& c : cases) {
        const WebRequest request = c.build();
        EXPECT_EQ(Wire(request), Golden(c.file)) << c.file;
        EXPECT_EQ(request.placeholderLength, 0u) << c.file;
        EXPECT_TRUE(request.tail.empty()) << c.file;
    }
}

TEST(RequestCatalogue, ResetDefaultCountsItsBodyButNotTheLineEndAfterIt) {
    const std::string wire = Wire(BuildResetDefaultRequest(kTarget));
    EXPECT_NE(wire.find("\r\ncontent-Length: 36\r\n"), std::string::npos);
    EXPECT_TRUE(wire.ends_with("\r\n\r\ncommand=COMMAND+flash+default&getID=\r\n"));
    ExpectContentLengthMatchesBody(wire, 2);
    ExpectContentLengthMatchesBody(Wire(BuildRebootRequest(kTarget)), 0);
    ExpectContentLengthMatchesBody(Wire(BuildUncheckRepeaterRequest(kTarget)), 0);
}

TEST(RequestCatalogue, PasswordFormEncodesBothPasswordsAndRepeatsTheNewOne) {
    const std::string wire = Wire(BuildSetupPasswordRequest(kTarget, L"admin", L"p w&+%\u00e9!"));
    EXPECT_EQ(wire, Golden("setuppassword.http"));
    EXPECT_NE(wire.find("&newpass=p+w%26%2B%25\xE9%21&confpass=p+w%26%2B%25\xE9%21&"),
              std::string::npos);
}

TEST(RequestCatalogue, LanFormPicksTheDhcpPoolAroundTheNewAddress) {
    EXPECT_EQ(Wire(BuildSetupIpAddressRequest(kTarget, L"192.168.1.100", L"255.255.255.0", L"2")),
              Golden("setupipaddress_100.http"));
    EXPECT_EQ(Wire(BuildSetupIpAddressRequest(kTarget, L"192.168.1.200", L"255.255.255.0", L"0")),
              Golden("setupipaddress_200.http"));
    EXPECT_EQ(Wire(BuildSetupIpAddressRequest(kTarget, L"10.0.0.7", L"255.0.0.0", L"2")),
              Golden("setupipaddress_10007.http"));
    EXPECT_EQ(Wire(BuildSetupIpAddressRequest(kTarget, L"100", L"255.255.255.0", L"2")),
              Golden("setupipaddress_nodot.http"));
}

TEST(DhcpRangeFor, ComparesExactlyTheLastFourCharacters) {
    using Range = std::pair<std::wstring, std::wstring>;
    EXPECT_EQ(DhcpRangeFor(L"10.100"), Range(L"10.101", L"10.200"));
    EXPECT_EQ(DhcpRangeFor(L".200"), Range(L".100", L".201"));
    EXPECT_EQ(DhcpRangeFor(L"192.168.1.1100"), Range(L"192.168.1.100", L"192.168.1.200"));
    EXPECT_EQ(DhcpRangeFor(L"192.168.1.2000"), Range(L"192.168.1.100", L"192.168.1.200"));
    EXPECT_EQ(DhcpRangeFor(L""), Range(L".100", L".200"));
}

RepeaterSettings Settings(int type, const std::wstring& ssid, const std::wstring& channel) {
    RepeaterSettings s;
    s.encryptionType = type;
    s.ssid = ssid;
    s.channel = channel;
    return s;
}

TEST(RepeaterRequest, EachSecurityVariantMatchesItsExactBytes) {
    // Open network: every WEP and WPA input is ignored.
    RepeaterSettings r0 = Settings(kEncryptionNone, kSsid, L"6");
    r0.wpaCipher = 1;
    r0.pskFormat = 1;
    r0.pskKey = L"ignored";
    r0.wepKeyLength = 1;
    r0.keys = {L"k1", L"k2", L"k3", L"k4"};
    r0.defaultKey = 3;

    // WEP 128-bit hexadecimal: keys unchanged, in order.
    RepeaterSettings r1 = Settings(kEncryptionWep, L"Office", L"1");
    r1.wepKeyLength = 1;
    r1.wepKeyFormat = 1;
    r1.keys = {L"00112233445566778899AABBCC", L"11223344556677889900aabbcc",
               L"2233445566778899AABBCCDDEE", L"33445566778899aabbccddeeff"};
    r1.defaultKey = 3;
    r1.wpaCipher = 1;  // not part of a WEP body

    RepeaterSettings r2 = Settings(kEncryptionWep, kSsid, L"11");
    r2.wepKeyLength = 1;
    r2.keys = {kWep13, kWep13, kWep13, kWep13};
    r2.defaultKey = 2;

    RepeaterSettings r3 = Settings(kEncryptionWep, L"Office", L"1");
    r3.wepKeyFormat = 1;
    r3.keys = {kWep10Hex, kWep10Hex, kWep10Hex, kWep10Hex};

    // WEP 64-bit ASCII: keys form-encoded, in order.
    RepeaterSettings r4 = Settings(kEncryptionWep, L"Office", L"13");
    r4.keys = {L"a b&c", L"k2%+!", L"12345", L"\u00e9\u00e9\u00e9\u00e9\u00e9"};
    r4.defaultKey = 1;

    RepeaterSettings r5 = Settings(kEncryptionWpa, L"Office", L"11");
    r5.wpaCipher = 1;
    r5.pskFormat = 1;
    r5.pskKey = kPsk64;
    r5.keys = {L"x", L"x", L"x", L"x"};  // not part of a WPA body

    RepeaterSettings r6 = Settings(kEncryptionWpa, kSsid, L"11");
    r6.pskKey = kPassphrase;

    const std::pair<const char*, RepeaterSettings> cases[] = {
        {"repeater_r0.http", r0}, {"repeater_r1.http", r1}, {"repeater_r2.http", r2},
        {"repeater_r3.http", r3}, {"repeater_r4.http", r4}, {"repeater_r5.http", r5},
        {"repeater_r6.http", r6},
    };
    for (const auto& [file, settings] : cases) {
        const std::string wire = Wire(BuildRepeaterRequest(kTarget, settings));
        EXPECT_EQ(wire, Golden(file)) << file;
        ExpectContentLengthMatchesBody(wire, 2);
    }
}

TEST(RepeaterRequest, FlagsCountAsSetOnlyWhenExactlyOne) {
    RepeaterSettings wep = Settings(kEncryptionWep, L"Office", L"13");
    wep.keys = {L"a b&c", L"k2%+!", L"12345", L"\u00e9\u00e9\u00e9\u00e9\u00e9"};
    wep.defaultKey = 1;
    wep.wepKeyLength = 2;
    wep.wepKeyFormat = -1;
    EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, wep)), Golden("repeater_r4.http"));

    RepeaterSettings wpa = Settings(kEncryptionWpa, kSsid, L"11");
    wpa.pskKey = kPassphrase;
    wpa.pskFormat = 64;
    EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, wpa)), Golden("repeater_r6.http"));
}

TEST(RepeaterRequest, UnknownSecurityTypeSendsAnEmptyBody) {
    for (int type : {3, -1, 100}) {
        RepeaterSettings settings = Settings(type, kSsid, L"11");
        settings.pskKey = kPassphrase;
        EXPECT_EQ(BuildRepeaterBody(settings), L"") << type;
        EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, settings)), Golden("repeater_type3.http"))
            << type;
    }
}

TEST(RepeaterRequest, ContentLengthCountsWireBytesOfUnrepresentableText) {
    // Each character outside the code page still goes out as one byte ('?').
    RepeaterSettings settings = Settings(kEncryptionWpa, L"\u4e2d\u6587 net", L"11");
    settings.pskKey = L"\u0100\u0101 key \U0001F600";
    const std::string wire = Wire(BuildRepeaterRequest(kTarget, settings));
    EXPECT_NE(wire.find("stadrv_ssid=??+net&"), std::string::npos);
    ExpectContentLengthMatchesBody(wire, 2);
}

TEST(RepeaterRequest, SequenceSendsUncheckRepeaterFirst) {
    const auto sequence =
        BuildRepeaterSequence(kTarget, RepeaterSettingsFor(kSsid, L"6", L"NONE", L"", 0));
    EXPECT_EQ(sequence[0].command, L"UNCHECKREPEATER");
    EXPECT_EQ(Wire(sequence[0].request), Golden("uncheckrepeater.http"));
    EXPECT_EQ(sequence[1].command, L"REPEATER");
    EXPECT_EQ(Wire(sequence[1].request), Golden("repeater_r0.http"));
}

TEST(RepeaterSettingsFor, WepKeyLengthDecidesSizeAndFormatFlags) {
    // 13 characters: ASCII, 128-bit; "Key 3" of the list is index 2.
    RepeaterSettings s = RepeaterSettingsFor(kSsid, L"11", L"WEP", kWep13, 2);
    EXPECT_EQ(s.encryptionType, kEncryptionWep);
    EXPECT_EQ(s.wepKeyLength, 1);
    EXPECT_EQ(s.wepKeyFormat, 0);
    EXPECT_EQ(s.defaultKey, 2);
    for (const std::wstring& key : s.keys) {
        EXPECT_EQ(key, kWep13);
    }
    EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, s)), Golden("repeater_r2.http"));

    // 10 hexadecimal digits: hexadecimal, 64-bit, sent unencoded.
    s = RepeaterSettingsFor(L"Office", L"1", L"wep", kWep10Hex, 0);
    EXPECT_EQ(s.wepKeyLength, 0);
    EXPECT_EQ(s.wepKeyFormat, 1);
    EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, s)), Golden("repeater_r3.http"));

    s = RepeaterSettingsFor(L"Office", L"1", L"Wep", L"00112233445566778899AABBCC", 3);
    EXPECT_EQ(s.wepKeyLength, 1);
    EXPECT_EQ(s.wepKeyFormat, 1);
    EXPECT_EQ(s.defaultKey, 3);

    s = RepeaterSettingsFor(L"Office", L"1", L"WEP", L"a b&c", 1);
    EXPECT_EQ(s.wepKeyLength, 0);
    EXPECT_EQ(s.wepKeyFormat, 0);
}

TEST(RepeaterSettingsFor, WpaKeywordsPickCipherAndPskFormat) {
    RepeaterSettings s = RepeaterSettingsFor(L"Office", L"11", L"aes", kPsk64, 3);
    EXPECT_EQ(s.encryptionType, kEncryptionWpa);
    EXPECT_EQ(s.wpaCipher, 1);
    EXPECT_EQ(s.pskFormat, 1);
    EXPECT_EQ(s.defaultKey, 1);  // the WEP index is not used for WPA
    EXPECT_EQ(s.keys[0], L"");
    EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, s)), Golden("repeater_r5.http"));

    s = RepeaterSettingsFor(kSsid, L"11", L"TKIP", kPassphrase, 0);
    EXPECT_EQ(s.wpaCipher, 0);
    EXPECT_EQ(s.pskFormat, 0);
    EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, s)), Golden("repeater_r6.http"));

    s = RepeaterSettingsFor(L"Office", L"11", L"TKIP", kPsk64.substr(0, 63), 0);
    EXPECT_EQ(s.pskFormat, 0);
}

TEST(RepeaterSettingsFor, OpenAndUnknownNetworks) {
    RepeaterSettings s = RepeaterSettingsFor(kSsid, L"6", L"none", L"typed anyway", 2);
    EXPECT_EQ(s.encryptionType, kEncryptionNone);
    EXPECT_EQ(s.pskKey, L"");
    EXPECT_EQ(s.keys[0], L"");
    EXPECT_EQ(s.defaultKey, 1);
    EXPECT_EQ(Wire(BuildRepeaterRequest(kTarget, s)), Golden("repeater_r0.http"));

    s = RepeaterSettingsFor(kSsid, L"6", L"Unknown", L"key", 0);
    EXPECT_EQ(s.encryptionType, kEncryptionUnsupported);
    EXPECT_EQ(BuildRepeaterBody(s), L"");
}

TEST(RequestCatalogue, LineBreaksInHeaderValuesCannotSplitALine) {
    const DeviceTarget target{L"192.168.1.254\r\nX-Injected: 1", L"255.255.255.0", L"YWRt\naW4="};
    const std::string wire = Wire(BuildLanInfoRequest(target));
    EXPECT_EQ(wire.find("\r\nX-Injected"), std::string::npos);
    EXPECT_NE(wire.find("\r\nHost: 192.168.1.254X-Injected: 1\r\n"), std::string::npos);
    EXPECT_NE(wire.find("\r\nAuthorization: Basic YWRtaW4=\r\n\r\n"), std::string::npos);
}

TEST(SelectedDevice, StripsLineBreaksAndDerivesTheCredentialUsedInRequests) {
    const DeviceLogin login =
        MakeDeviceLogin(L"ad\r\nmin", L"adm\nin\r", L"192.168.1.254\r\n", L"00:11:22:33:44:55\n");
    EXPECT_EQ(login.userName, L"admin");
    EXPECT_EQ(login.password, L"admin");
    EXPECT_EQ(login.ipAddress, L"192.168.1.254");
    EXPECT_EQ(login.macAddress, L"00:11:22:33:44:55");
    EXPECT_EQ(LoginCredential(login), L"YWRtaW46YWRtaW4=");
    EXPECT_EQ(Wire(BuildLanInfoRequest(LoginTarget(login, L"255.255.255.0"))),
              Golden("laninfo.http"));

    EXPECT_EQ(LoginCredential(MakeDeviceLogin(L"us\u00e9r", L"p\u20ac", L"10.0.0.2", L"")),
              L"dXPpcjpwgA==");  // "us\xE9r:p\x80"
    EXPECT_EQ(WithoutLineBreaks(L"\rKV-\nQ3150Tx\r\n"), L"KV-Q3150Tx");
}

class UploadRequest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("tamsel_upload_" + std::to_string(getpid()) + "_" + info->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string WriteFile(const std::string& name, size_t size) {
        const std::filesystem::path path = m_dir / name;
        std::ofstream out(path, std::ios::binary);
        std::string block(64 * 1024, '\0');
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>(i * 7);  // zero bytes and '?' included
        }
        for (size_t written = 0; written < size;) {
            const size_t n = std::min(block.size(), size - written);
            out.write(block.data(), static_cast<std::streamsize>(n));
            written += n;
        }
        return path.string();
    }

    std::filesystem::path m_dir;
};

TEST_F(UploadRequest, ImageRunHasTheFileSizeBetweenHeadAndTail) {
    const size_t size = 3 * 1024 * 1024 + 5;
    const WebRequest request = BuildUploadRequest(kTarget, WriteFile("image.bin", size));

    EXPECT_EQ(request.placeholderLength, size);
    EXPECT_EQ(WideToAnsi(request.text), Golden("upload_head_3145733.http"));
    EXPECT_EQ(WideToAnsi(request.tail), Golden("upload_tail.http"));

    const std::string wire = Wire(request);
    ASSERT_EQ(wire.size(), request.text.size() + size + request.tail.size());
    EXPECT_EQ(wire.find_first_not_of('?', request.text.size()), request.text.size() + size);
    // The run is the content of the "binary" part: right after its header, right before
    // the next boundary.
    const std::string partHeader = "filename=\"c:\\1.bin\"\r\nContent-Type: text/plain\r\n\r\n";
    EXPECT_EQ(wire.find(partHeader) + partHeader.size(), request.text.size());
    EXPECT_EQ(wire.compare(request.text.size() + size, 46,
                           "\r\n-----------------------------7d9222c1903be\r\n"),
              0);
    ExpectContentLengthMatchesBody(wire, 0);
}

TEST_F(UploadRequest, UnreadableImageGivesAnEmptyRunAndSmallerLength) {
    const std::string golden = Golden("upload_nofile.http");
    const std::string paths[] = {(m_dir / "missing.bin").string(), m_dir.string(),
                                 WriteFile("empty.bin", 0)};
    for (const std::string& path : paths) {
        const WebRequest request = BuildUploadRequest(kTarget, path);
        EXPECT_EQ(request.placeholderLength, 0u) << path;
        EXPECT_EQ(Wire(request), golden) << path;
    }
}

}  // namespace
