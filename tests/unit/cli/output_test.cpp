#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "cli/dry_run.h"
#include "cli/outcome.h"
#include "cli/report.h"
#include "cli/text.h"

namespace {

TEST(TextTest, JsonStringsEscapeQuotesControlsAndKeepUnicode) {
    EXPECT_EQ(JsonQuote(L"a\"b\\c\n\x01\u00e9\U0001F600"),
              "\"a\\\"b\\\\c\\n\\u0001\xc3\xa9\xf0\x9f\x98\x80\"");
}

TEST(TextTest, Utf8RoundTripsAndReplacesWhatItCannotCarry) {
    const std::wstring text = L"x\u00e9\u20ac\U0001F600";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd");
    // Overlong and cut-off sequences are not UTF-8: each byte stands for itself.
    EXPECT_EQ(Utf8ToWide("\xc0\xaf"), L"\u00c0\u00af");
    EXPECT_EQ(Utf8ToWide("\xe2\x82"), L"\u00e2\u201a");
}

TEST(TextTest, PlainOutputShowsEveryTerminalControlAsAnEscape) {
    EXPECT_EQ(EscapeControls(L"a\x1b]0;title\a\r\n\tb\\c\b\v\f"),
              L"a\\e]0;title\\a\\r\\n\\tb\\\\c\\b\\v\\f");
    // Other C0 controls and DEL as hex bytes, the C1 controls (U+009B is a one-character
    // CSI to many terminals) as code points; printable text beyond them stays.
    EXPECT_EQ(EscapeControls(std::wstring(L"\x01\x7f\x80\x9b\x9f\xa0\u00e9\u20ac", 8)),
              L"\\x01\\x7f\\u0080\\u009b\\u009f\u00a0\u00e9\u20ac");
    EXPECT_EQ(EscapeControls(std::wstring(L"a\0b", 3)), L"a\\x00b");
}

TEST(OutcomeTest, AnAnswerWithoutStatusLineIsJudgedByTheGoodAnswerRule) {
    EXPECT_TRUE(JudgeResult({L"SITESURVEY", 4, "HTTP... 200"}).Ok());
    const Verdict refused = JudgeResult({L"SITESURVEY", 4, "<html>busy</html>"});
    EXPECT_EQ(refused.exitCode, ExitCode::kRefused);
    EXPECT_EQ(JudgeResult({L"SETUPPASSWORD", 4, ""}).exitCode, ExitCode::kNetwork);
    EXPECT_EQ(JudgeResult({L"reboot", 7, ""}).exitCode, ExitCode::kNetwork);
    // The start-up reads fail by their code, whatever arrived; a lower-case name too.
    EXPECT_EQ(JudgeResult({L"getstatus", 6, "HTTP/1.1 200 OK"}).exitCode, ExitCode::kNetwork);
}

TEST(ReportTest, DeviceListEndsWithTheCountLine) {
    FoundDevice device{
        L"KV-Q3150Tx", L"00:11:22:33:44:55", L"192.168.1.1", L"255.255.255.0", L"admin", L"secret"};
    EXPECT_NE(FormatDevices({}, false).find("Ranveil Not Found !"), std::string::npos);
    EXPECT_NE(FormatDevices({device}, false).find("1 Ranveil Found !"), std::string::npos);
    const std::string two = FormatDevices({device, device}, false);
    EXPECT_NE(two.find("2 Ranveils Found !"), std::string::npos);
    // The login never appears in a listing.
    EXPECT_EQ(two.find("secret"), std::string::npos);
    EXPECT_EQ(FormatDevices({device}, true).find("secret"), std::string::npos);
    EXPECT_EQ(FormatDevices({}, true), "[]\n");
}

// What a hostile device could put in its pages and discovery replies.
const std::wstring kHostileText =
    L"x\x1b[2J\x1b]0;owned\a\ry\x9b"
    L"31m\n";

// No byte of the output may be a control a terminal acts on: C0 but the line ends that
// the table itself writes, DEL, or the UTF-8 form of a C1 control.
void ExpectNoTerminalControls(const std::string& out) {
    for (size_t i = 0; i < out.size(); ++i) {
        const auto byte = static_cast<unsigned char>(out[i]);
        EXPECT_FALSE((byte < 0x20 && byte != '\n') || byte == 0x7F)
            << "byte " << i << " of " << out;
        if (byte == 0xC2 && i + 1 < out.size()) {
            const auto next = static_cast<unsigned char>(out[i + 1]);
            EXPECT_FALSE(next >= 0x80 && next <= 0x9F) << "C1 control at " << i << " of " << out;
        }
    }
}

TEST(ReportTest, DeviceTextsReachPlainOutputEscapedAndJsonAsBefore) {
    DeviceStatus status;
    status.ssid = kHostileText;
    status.firmwareVersion = kHostileText;
    const std::string plain = FormatStatus(status, false);
    ExpectNoTerminalControls(plain);
    EXPECT_NE(plain.find("x\\e[2J\\e]0;owned\\a\\ry\\u009b31m\\n"), std::string::npos) << plain;
    EXPECT_EQ(std::count(plain.begin(), plain.end(), '\n'), 13);
    // JSON carries the same value; a C1 control is escaped too, as \u009b, so that the
    // JSON on a terminal cannot act on it either.
    const std::string json = FormatStatus(status, true);
    EXPECT_NE(json.find("x\\u001b[2J\\u001b]0;owned\\u0007\\ry\\u009b31m\\n"), std::string::npos)
        << json;
    ExpectNoTerminalControls(json);

    SurveyNetwork network;
    network.ssid = kHostileText;
    network.bssid = kHostileText;
    ExpectNoTerminalControls(FormatSurvey({network}, false));

    FoundDevice device{kHostileText, kHostileText, L"192.168.1.1", kHostileText, L"", L""};
    const std::string devices = FormatDevices({device}, false);
    ExpectNoTerminalControls(devices);
    EXPECT_NE(devices.find("1 Ranveil Found !"), std::string::npos);
}

TEST(ReportTest, ProgressBarFillsByTheShareSentAndNeverPastTheTotal) {
    EXPECT_EQ(FormatProgressBar(4, 10, 10), "[####      ]  40% 4/10 bytes");
    EXPECT_EQ(FormatProgressBar(20, 10, 4), "[####] 100% 10/10 bytes");
    EXPECT_EQ(FormatProgressBar(0, 0, 2), "[##] 100% 0/0 bytes");
}

class DryRunTest : public ::testing::Test {
protected:
    std::string Written(const WebRequest& request, const std::string& path) {
        std::FILE* out = std::tmpfile();
        DryRunSink sink(out);
        sink.QueueFile(L"UPLOAD", request, DeviceTarget{}, path);
        std::string bytes(static_cast<size_t>(std::ftell(out)), '\0');
        std::rewind(out);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), out));
        std::fclose(out);
        return bytes;
    }
    std::filesystem::path image =
        std::filesystem::temp_directory_path() / ("dry_run_image_" + std::to_string(getpid()));
    void TearDown() override { std::filesystem::remove(image); }
};

TEST_F(DryRunTest, TheImageFillsExactlyItsRunAndTheRestIsPlaceholder) {
    std::ofstream(image, std::ios::binary) << std::string("AB\0C", 4);
    EXPECT_EQ(Written(WebRequest{L"head\u20ac|", 6, L"|tail"}, image.string()),
              std::string("head\x80|AB\0C??|tail", 17));
    EXPECT_EQ(Written(WebRequest{L"h|", 2, L"|t"}, image.string()), "h|AB|t");
    EXPECT_EQ(Written(WebRequest{L"h|", 3, L"|t"}, "/nonexistent/image"), "h|???|t");
}

TEST_F(DryRunTest, ARequestCutByAZeroCharacterEndsThere) {
    EXPECT_EQ(Written(WebRequest{std::wstring(L"GET\0rest", 8), 2, L"tail"}, ""), "GET");
}

}  // namespace
