#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/device_state.h"
#include "sim/discovery_datagrams.h"
#include "sim/http_request.h"
#include "sim/http_response.h"
#include "sim/pages.h"
#include "sim/sim_options.h"
#include "sim/web_app.h"
#include "sim_command_line.h"

namespace {

// Everything a stream sends, taking at most `limit` bytes per step and stopping after
// `cap` bytes (for an endless one).
std::string Drain(AnswerStream stream, size_t limit, size_t cap = 1 << 30) {
    std::string wire;
    while (!stream.Done() && wire.size() < cap) {
        std::string_view bytes = stream.Next(limit);
        EXPECT_FALSE(bytes.empty()) << "no bytes from an unfinished stream";
        EXPECT_LE(bytes.size(), limit);
        if (bytes.empty()) {
            break;
        }
        wire += bytes;
        stream.Advance(bytes.size());
    }
    return wire;
}

std::string HeadOf(const std::string& wire) {
    return wire.substr(0, wire.find("\r\n\r\n") + 4);
}

std::string BodyOf(const std::string& wire) {
    return wire.substr(wire.find("\r\n\r\n") + 4);
}

long ContentLength(const std::string& wire) {
    const std::string head = HeadOf(wire);
    size_t at = head.find("Content-Length: ");
    return at == std::string::npos ? -1 : std::atol(head.c_str() + at + 16);
}

HttpResponse StatusPageResponse(const DeviceState& device) {
    HttpResponse response;
    response.body = StatusPage(device, "");
    return response;
}

}  // namespace

TEST(HostileOptions, CommandLineAndControlFileAgree) {
    OptionsResult parsed =
        ParseWords({"--endless-body", "--slow-ms", "10", "--chunk-bytes", "4096", "--huge-page",
                    "50", "--survey-bomb", "1000000", "--nul-bytes", "7", "--escape-values",
                    "--bad-datagrams", "5"});
    ASSERT_TRUE(parsed.options) << parsed.message;
    const Misbehaviour& m = parsed.options->misbehaviour;
    EXPECT_TRUE(m.endlessBody);
    EXPECT_EQ(m.slowMs, 10);
    EXPECT_EQ(m.chunkBytes, 4096u);
    EXPECT_EQ(m.hugePageBytes, 50ull << 20);
    EXPECT_EQ(m.surveyBombBytes, 1000000u);
    EXPECT_EQ(m.nulBytes, 7u);
    EXPECT_TRUE(m.escapeValues);
    EXPECT_EQ(m.badDatagrams, 5);
    const std::string described = DescribeMisbehaviour(m);
    EXPECT_EQ(described,
              "slow-ms:10,chunk-bytes:4096,nul-bytes:7,endless-body,huge-page:50,"
              "survey-bomb:1000000,escape-values,bad-datagrams:5");

    std::string error;
    auto control = ParseControlText(
        "endless-body\nslow-ms 10\nchunk-bytes=4096\n--huge-page 50\nsurvey-bomb 1000000\n"
        "nul-bytes 7\nescape-values\nbad-datagrams 5\n",
        &error);
    ASSERT_TRUE(control) << error;
    EXPECT_EQ(DescribeMisbehaviour(*control), described);
    // The parsed devices start with the same escape setting as the misbehaviour.
    DeviceState device(*parsed.options);
    EXPECT_NE(device.Identity().model.find('\x1b'), std::string::npos);
}

TEST(HostileOptions, BytePerSecondIsASlowAnswerInOneByteChunks) {
    auto parsed = ParseWords({"--byte-per-second"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->misbehaviour.slowMs, 1000);
    EXPECT_EQ(parsed.options->misbehaviour.chunkBytes, 1u);
    std::string error;
    EXPECT_EQ(DescribeMisbehaviour(*ParseControlText("byte-per-second\n", &error)),
              "slow-ms:1000,chunk-bytes:1");
}

TEST(HostileOptions, OutOfRangeValuesAreUsageErrors) {
    for (std::vector<std::string> words :
         std::vector<std::vector<std::string>>{{"--chunk-bytes", "0"},
                                               {"--chunk-bytes", "2000000"},
                                               {"--huge-page", "0"},
                                               {"--huge-page", "5000"},
                                               {"--huge-page", "1.5"},
                                               {"--survey-bomb", "0"},
                                               {"--survey-bomb", "99999999999"},
                                               {"--nul-bytes", "0"},
                                               {"--nul-bytes"},
                                               {"--bad-datagrams", "0"},
                                               {"--bad-datagrams", "1001"},
                                               {"--escape-values=yes"}}) {
        OptionsResult result = ParseWords(words);
        EXPECT_FALSE(result.options) << words[0];
        EXPECT_EQ(result.exitCode, 2) << words[0];
    }
    std::string error;
    EXPECT_FALSE(ParseControlText("huge-page\n", &error));
    EXPECT_NE(error.find("huge-page"), std::string::npos);
}

TEST(AnswerStreamTest, AFiniteAnswerIsTheSameWhateverTheStepSize) {
    SimOptions options;
    DeviceState device(options);
    const std::string whole = SerializeResponse(StatusPageResponse(device), false);
    for (size_t limit : {1u, 7u, 64u, 1000u, 1u << 20}) {
        EXPECT_EQ(Drain(SerializeAnswer(StatusPageResponse(device), {}), limit), whole) << limit;
    }
    EXPECT_EQ(ContentLength(whole), static_cast<long>(BodyOf(whole).size()));
}

TEST(AnswerStreamTest, HugePageKeepsThePageAroundACommentOfFiller) {
    SimOptions options;
    DeviceState device(options);
    const std::string page = StatusPageResponse(device).body;
    WireFaults faults;
    faults.extraBytes = 3 << 20;
    for (size_t limit : {999u, 64u * 1024u, 1u << 20}) {
        const std::string wire = Drain(SerializeAnswer(StatusPageResponse(device), faults), limit);
        const std::string body = BodyOf(wire);
        ASSERT_EQ(body.size(), page.size() + (3u << 20) + 11) << limit;
        EXPECT_EQ(ContentLength(wire), static_cast<long>(body.size()));
        // The page's markers come first; the filler sits in a comment just before </body>.
        const size_t comment = body.find("<!-- ");
        EXPECT_LT(body.find("Runtime Code Version:"), comment);
        EXPECT_EQ(body.substr(body.size() - 22), "\n -->\n</body>\n</html>\n");
        const std::string filler = body.substr(comment + 5, 3 << 20);
        EXPECT_EQ(filler.substr(0, FillerLine().size()), FillerLine());
        EXPECT_EQ(filler.find_first_of("<>&\"\0", 0, 5), std::string::npos);
        EXPECT_EQ(filler.find("--"), std::string::npos);
    }
}

TEST(AnswerStreamTest, EndlessBodyHasNoLengthAndNeverEnds) {
    SimOptions options;
    DeviceState device(options);
    const std::string page = StatusPageResponse(device).body;
    WireFaults faults;
    faults.endlessBody = true;
    AnswerStream stream = SerializeAnswer(StatusPageResponse(device), faults);
    const std::string wire = Drain(stream, 64 * 1024, 8 << 20);
    EXPECT_GE(wire.size(), 8u << 20);
    EXPECT_EQ(ContentLength(wire), -1);
    EXPECT_NE(HeadOf(wire).find("HTTP/1.1 200 OK\r\n"), std::string::npos);
    // The whole page but its end first, so that every value is there to read.
    const std::string body = BodyOf(wire);
    const size_t end = page.rfind("</body>");
    EXPECT_EQ(body.substr(0, end), page.substr(0, end));
    EXPECT_EQ(body.substr(end, FillerLine().size()), FillerLine());
    EXPECT_EQ(body.find("</body>"), std::string::npos);

    // Paced by small chunks it is still the same text.
    AnswerStream again = SerializeAnswer(StatusPageResponse(device), faults);
    EXPECT_EQ(Drain(again, 1, 100000), wire.substr(0, 100000));
}

TEST(AnswerStreamTest, NulBytesInTheStatusLineAndSpreadOverTheBody) {
    SimOptions options;
    DeviceState device(options);
    const std::string page = StatusPageResponse(device).body;
    for (size_t count : {1u, 10u, 500u, 20000u}) {
        WireFaults faults;
        faults.nulBytes = count;
        const std::string wire = Drain(SerializeAnswer(StatusPageResponse(device), faults), 4096);
        EXPECT_EQ(HeadOf(wire).find(std::string("HTTP/1.1 200\0 OK\r\n", 18)), 0u);
        const std::string body = BodyOf(wire);
        EXPECT_EQ(ContentLength(wire), static_cast<long>(body.size()));
        EXPECT_EQ(static_cast<size_t>(std::count(body.begin(), body.end(), '\0')), count);
        std::string without = body;
        std::erase(without, '\0');
        EXPECT_EQ(without, page);
        if (count >= 10 && count <= page.size()) {
            // Spread out: no stretch without a zero much longer than its share.
            size_t longest = 0, run = 0;
            for (char c : body) {
                run = c == '\0' ? 0 : run + 1;
                longest = std::max(longest, run);
            }
            EXPECT_LE(longest, page.size() / count + 1) << count;
        }
    }
}

TEST(AnswerStreamTest, FaultsCombine) {
    SimOptions options;
    DeviceState device(options);
    WireFaults faults;
    faults.nulBytes = 100;
    faults.extraBytes = 1 << 20;
    faults.nulInBody = true;
    const std::string wire = Drain(SerializeAnswer(StatusPageResponse(device), faults), 1 << 16);
    const std::string body = BodyOf(wire);
    EXPECT_EQ(ContentLength(wire), static_cast<long>(body.size()));
    EXPECT_EQ(std::count(body.begin(), body.end(), '\0'), 101);
    EXPECT_NE(body.find(std::string(FillerLine()) + std::string(FillerLine())), std::string::npos);

    faults.endlessBody = true;
    const std::string endless =
        Drain(SerializeAnswer(StatusPageResponse(device), faults), 1 << 16, 4 << 20);
    EXPECT_EQ(ContentLength(endless), -1);
    EXPECT_GE(endless.size(), 4u << 20);
}

class HostileWebAppTest : public ::testing::Test {
protected:
    WebOutcome Get(const std::string& path, bool authorized = true) {
        std::string request = "GET " + path + " HTTP/1.1\r\n";
        if (authorized) {
            request += "Authorization: Basic YWRtaW46YWRtaW4=\r\n";
        }
        request += "\r\n";
        auto reader = std::make_unique<HttpRequestReader>();
        reader->Feed(request);
        EXPECT_EQ(reader->state(), HttpRequestReader::State::kComplete);
        return app.Handle(reader->request());
    }

    SimOptions options;
    Misbehaviour misbehaviour;
    DeviceState device{options};
    DeviceWebApp app{device, misbehaviour};
};

TEST_F(HostileWebAppTest, SurveyBombIsACountAndTextWithoutOneCell) {
    misbehaviour.surveyBombBytes = 1000000;
    EXPECT_EQ(Get("/wlsurvey2.asp", false).response.status, 401);
    WebOutcome outcome = Get("/wlsurvey2.asp");
    EXPECT_EQ(outcome.response.fillerBytes, 1000000u);
    const std::string wire = Drain(SerializeAnswer(outcome.response, {}), 1 << 16);
    const std::string body = BodyOf(wire);
    EXPECT_EQ(ContentLength(wire), static_cast<long>(body.size()));
    const size_t count = body.find("<input type=\"hidden\" name=\"apCount\" value=\"300\">\n");
    ASSERT_NE(count, std::string::npos);
    const size_t run =
        count + std::strlen("<input type=\"hidden\" name=\"apCount\" value=\"300\">\n");
    EXPECT_EQ(body.substr(run, FillerLine().size()), FillerLine());
    EXPECT_EQ(body.find('<', run), run + 1000000);
    EXPECT_EQ(body.compare(run + 1000000, 7, "</font>"), 0);
    EXPECT_EQ(body.find("<font"), std::string::npos);
    // Only the survey page is replaced.
    EXPECT_EQ(Get("/qmv4t2_02_00_00_status.asp").response.fillerBytes, 0u);
}

TEST_F(HostileWebAppTest, EscapeValuesDecorateWhatTheDeviceReports) {
    auto hasEscapes = [](const std::string& text) {
        return text.find(kTerminalEscapes) != std::string::npos;
    };
    for (const char* path : {"/qmv4t2_02_00_00_status.asp", "/qmv4t2_02_02_01_int.asp",
                             "/wlsurvey2.asp", "/qmv4t2_02_02_02_homenet.asp"}) {
        EXPECT_FALSE(hasEscapes(Get(path).response.body)) << path;
    }
    EXPECT_EQ(device.Identity().model, "KV-Q3150Tx");

    device.SetEscapeValues(true);
    const std::string status = Get("/qmv4t2_02_00_00_status.asp").response.body;
    EXPECT_NE(status.find("1.3.07 (Jun 14 2011)" + std::string(kTerminalEscapes) + "</div>"),
              std::string::npos);
    const std::string wan = Get("/qmv4t2_02_02_01_int.asp").response.body;
    EXPECT_NE(wan.find("<div align=\"left\">AP" + std::string(kTerminalEscapes) + "</div>"),
              std::string::npos);
    EXPECT_NE(wan.find("name=\"gw\" value=\"0.0.0.0" + std::string(kTerminalEscapes) + "\">"),
              std::string::npos);
    const std::string survey = Get("/wlsurvey2.asp").response.body;
    EXPECT_NE(survey.find("HomeNet" + std::string(kTerminalEscapes) + "<input"), std::string::npos);
    EXPECT_NE(survey.find("name=\"apCount\" value=\"5\""), std::string::npos);
    // The LAN page keeps its address values: the utility compares them with the device's.
    EXPECT_FALSE(hasEscapes(Get("/qmv4t2_02_02_02_homenet.asp").response.body));

    // Discovery: model and mask, cut to their fields, each still ending in a zero byte.
    const DiscoveryIdentity identity = device.Identity();
    EXPECT_EQ(identity.model, "KV-Q3150Tx" + std::string(kTerminalEscapes));
    EXPECT_EQ(identity.ip, "192.168.1.1");
    const std::vector<uint8_t> reply = BuildSearchReply(identity);
    const std::string model(reinterpret_cast<const char*>(reply.data() + 49));
    EXPECT_EQ(model, identity.model.substr(0, 22));
    EXPECT_EQ(model.find("\x1b[2J"), 10u);
    const std::string mask(reinterpret_cast<const char*>(reply.data() + 104));
    EXPECT_EQ(mask,
              "255.255.255.0\x1b[2J\x1b]0;owned\x07\r\x9b"
              "1m");

    device.SetEscapeValues(false);
    EXPECT_FALSE(hasEscapes(Get("/wlsurvey2.asp").response.body));
}

TEST(BadDatagrams, EveryKindInTurnAndTheLongOnesDescribeTheDecoy) {
    DiscoveryIdentity decoy{{0x02, 0x1a, 0x2b, 0x00, 0x00, 0x01},
                            "KV-Q3150Tx",
                            "192.168.1.1",
                            "255.255.255.0",
                            "admin",
                            "admin"};
    const std::vector<size_t> sizes = {0, 1, 423, 1025, 2000};
    for (int i = 0; i < 2 * kBadDatagramKinds; ++i) {
        const std::vector<uint8_t> datagram = BuildBadDatagram(i, decoy);
        ASSERT_EQ(datagram.size(), sizes[i % kBadDatagramKinds]) << i;
        if (datagram.size() > 17) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(datagram.data() + 17)),
                      "021a2b000001");
            EXPECT_EQ(std::memcmp(datagram.data() + 6, "ZELKOR\x00\xa1", 8), 0);
        }
    }
}
