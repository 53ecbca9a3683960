#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/device_state.h"
#include "sim/firmware_image.h"
#include "sim/http_request.h"
#include "sim/http_response.h"
#include "sim/pages.h"
#include "sim/web_app.h"

namespace {

const std::string kAdmin = "Authorization: Basic YWRtaW46YWRtaW4=\r\n";  // admin:admin

class WebAppTest : public ::testing::Test {
protected:
    WebOutcome Send(const std::string& head, const std::string& body = "") {
        std::string request = head;
        if (!body.empty()) {
            request += "content-Length: " + std::to_string(body.size()) + "\r\n";
        }
        request += "\r\n" + body;
        auto reader = std::make_unique<HttpRequestReader>();
        reader->Feed(request);
        EXPECT_EQ(reader->state(), HttpRequestReader::State::kComplete) << head;
        return app.Handle(reader->request());
    }
    WebOutcome Post(const std::string& path, const std::string& body,
                    const std::string& credentials = kAdmin) {
        return Send("POST " + path + " HTTP/1.1\r\n" + credentials, body);
    }
    WebOutcome Upload(const std::string& image) {
        const std::string boundary = "---------------------------7d9222c1903be";
        std::string body = "--" + boundary +
                           "\r\nContent-Disposition: form-data; name=\"binary\"; "
                           "filename=\"c:\\1.bin\"\r\nContent-Type: text/plain\r\n\r\n" +
                           image + "\r\n--" + boundary + "--\r\n";
        return Send("POST /goform/formUpload HTTP/1.1\r\n" + kAdmin +
                        "Content-Type: multipart/form-data; boundary=" + boundary + "\r\n",
                    body);
    }

    SimOptions options;
    DeviceState device{options};
    Misbehaviour misbehaviour;
    DeviceWebApp app{device, misbehaviour};
};

// The survey rows as the set-up utility reads them: count from apCount (minus one when
// above one), then seven <font size="2"> cells per row plus one skipped cell.
std::vector<std::vector<std::string>> ReadSurvey(std::string w) {
    auto cut = [&w](long n) { w.erase(0, static_cast<size_t>(std::clamp<long>(n, 0, w.size()))); };
    auto find = [&w](const std::string& what) { return static_cast<long>(w.find(what)); };
    cut(find("name=\"apCount\""));
    cut(find("value") + 7);
    int count = std::atoi(w.substr(0, w.find('"')).c_str());
    if (count > 1) {
        --count;
    }
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < count; ++row) {
        rows.emplace_back();
        for (int j = 0; j < 7; ++j) {
            cut(find("<font size=\"2\">") + 15);
            long end = find(j < 2 ? "<input" : "</font>");
            std::string text = end > 0 ? w.substr(0, static_cast<size_t>(end)) : "";
            text.erase(0, text.find_first_not_of(" \t\r\n"));
            text.erase(text.find_last_not_of(" \t\r\n") + 1);
            rows.back().push_back(text.empty() ? " " : text);
        }
        cut(find("<font size=\"2\">") + 15);
    }
    return rows;
}

}  // namespace

TEST_F(WebAppTest, BasicAuthenticationAgainstTheCurrentPassword) {
    EXPECT_EQ(Send("GET /wlsurvey2.asp HTTP/1.1\r\n").response.status, 401);
    WebOutcome wrong = Send("GET /wlsurvey2.asp HTTP/1.1\r\nAuthorization: Basic YWRtaW46eA==\r\n");
    EXPECT_EQ(wrong.response.status, 401);
    ASSERT_FALSE(wrong.response.headers.empty());
    EXPECT_EQ(wrong.response.headers[0].first, "WWW-Authenticate");
    EXPECT_EQ(Send("GET /wlsurvey2.asp HTTP/1.1\r\nauthorization: basic YWRtaW46YWRtaW4=\r\n")
                  .response.status,
              200);
    EXPECT_EQ(Send("GET /goform/formReboot HTTP/1.1\r\n" + kAdmin).response.status, 405);
    EXPECT_EQ(Send("GET /nothing.asp HTTP/1.1\r\n" + kAdmin).response.status, 404);
}

TEST_F(WebAppTest, ErrorAnswersNeverLookLikeSuccess) {
    // The utility counts any answer with "HTTP" and "200" in it as a success.
    for (int status : {400, 401, 404, 405, 413, 431, 500, 501}) {
        for (bool nul : {false, true}) {
            std::string wire = SerializeResponse(StatusResponse(status), nul);
            EXPECT_EQ(wire.find("200"), std::string::npos) << status;
        }
    }
}

TEST_F(WebAppTest, SurveyCountLetsTheUtilityListEveryNetwork) {
    for (size_t networks : {0u, 1u, 2u, 4u}) {
        options.survey.clear();
        for (size_t i = 0; i < networks; ++i) {
            options.survey.push_back({"Net " + std::to_string(i),
                                      "00:11:22:33:44:5" + std::to_string(i), std::to_string(i + 1),
                                      "WEP", "", "  ", "AP"});
        }
        DeviceState surveyed(options);
        auto rows = ReadSurvey(SurveyPage(surveyed));
        ASSERT_EQ(rows.size(), networks);
        for (size_t i = 0; i < networks; ++i) {
            EXPECT_EQ(rows[i], (std::vector<std::string>{
                                   std::to_string(i + 1), "Net " + std::to_string(i),
                                   "00:11:22:33:44:5" + std::to_string(i), "WEP", " ", " ", "AP"}));
        }
    }
}

TEST_F(WebAppTest, LanSettingsWaitForTheRestart) {
    WebOutcome answer = Post("/goform/formTcpipSetup",
                             "ip=10.0.0.7&mask=255.0.0.0&dhcp=0&dhcpRangeStart=10.0.0.100"
                             "&dhcpRangeEnd=10.0.0.200&submit-url=%2Fqmv4t2_01_03_00_homenet.asp");
    EXPECT_NE(answer.response.body.find("Runtime Code Version:"), std::string::npos);
    EXPECT_EQ(answer.after, AfterAnswer::kNothing);
    EXPECT_EQ(device.running().lan.ip, "192.168.1.1");

    EXPECT_EQ(Post("/goform/formReboot", "reset_flag=0").after, AfterAnswer::kReboot);
    device.Boot();
    EXPECT_EQ(device.running().lan.ip, "10.0.0.7");
    EXPECT_EQ(device.running().lan.mask, "255.0.0.0");
    EXPECT_FALSE(device.running().lan.dhcpServer);
    EXPECT_EQ(device.Identity().ip, "10.0.0.7");
}

TEST_F(WebAppTest, InvalidLanSettingsChangeNothing) {
    for (const char* body :
         {"ip=10.0.0.0&mask=255.0.0.0&dhcp=2", "ip=10.255.255.255&mask=255.0.0.0&dhcp=2",
          "ip=10.0.0.7&mask=255.0.255.0&dhcp=2", "ip=10.0.0.7&mask=255.0.0.0&dhcp=1",
          "ip=10.0.0&mask=255.0.0.0&dhcp=2", "mask=255.0.0.0&dhcp=2"}) {
        WebOutcome answer = Post("/goform/formTcpipSetup", body);
        EXPECT_EQ(answer.response.status, 200) << body;
        EXPECT_NE(answer.response.body.find("Invalid"), std::string::npos) << body;
    }
    device.Boot();
    EXPECT_EQ(device.running().lan.ip, "192.168.1.1");
}

TEST_F(WebAppTest, PasswordChangesAtOnceAndFactoryDefaultsAtTheRestart) {
    EXPECT_NE(Post("/goform/formPasswordSetup", "oldpass=nope&newpass=x&confpass=x")
                  .response.body.find("incorrect"),
              std::string::npos);
    EXPECT_NE(Post("/goform/formPasswordSetup", "oldpass=admin&newpass=x&confpass=y")
                  .response.body.find("do not match"),
              std::string::npos);
    EXPECT_EQ(device.running().password, "admin");

    Post("/goform/formPasswordSetup", "oldpass=admin&newpass=n+ew%26&confpass=n+ew%26");
    EXPECT_EQ(device.running().password, "n ew&");
    EXPECT_EQ(Send("GET /wlsurvey2.asp HTTP/1.1\r\n" + kAdmin).response.status, 401);

    // "n ew&" in Base64, for the new credentials.
    const std::string changed = "Authorization: Basic YWRtaW46biBldyY=\r\n";
    Post("/goform/formStaDrvSetup",
         "stadrv_type=3&stadrv_ssid=Up&stadrv_chan=6&stadrv_encrypttype=1&stadrv_weplength=1"
         "&stadrv_defaultkey=2&key1=a&key2=b&key3=thirdkey12345&key4=d",
         changed);
    EXPECT_EQ(device.running().bridging.key, "thirdkey12345");
    EXPECT_EQ(SecurityText(device.running().bridging), "WEP 128-bit");

    Post("/goform/mp", "command=COMMAND+flash+default&getID=", changed);
    EXPECT_EQ(device.running().password, "n ew&");
    device.Boot();
    EXPECT_EQ(device.running().password, "admin");
    EXPECT_FALSE(device.running().bridging.enabled);
}

TEST_F(WebAppTest, FirmwareAcceptedOnlyWithTheHeaderAndRunsAfterTheUpgrade) {
    for (const std::string& image :
         {std::string(5000, '?'), std::string("TMSLFW01"), MakeFirmwareHeader("") + "payload",
          std::string("TMSLFW01") + "1.0\n" + std::string(28, '\0'),
          std::string("TMSLFW01") + "1.0" + std::string(28, '\0') + "x"}) {
        WebOutcome refused = Upload(image);
        EXPECT_EQ(refused.response.status, 200);
        EXPECT_NE(refused.response.body.find("Invalid file format!"), std::string::npos);
        EXPECT_EQ(refused.after, AfterAnswer::kNothing);
    }
    WebOutcome accepted = Upload(MakeFirmwareHeader("2.0.0") + std::string(1000, '\xff'));
    EXPECT_EQ(accepted.response.body.find("Invalid file format!"), std::string::npos);
    EXPECT_EQ(accepted.after, AfterAnswer::kUpgrade);
    ASSERT_EQ(accepted.events.size(), 1u);
    EXPECT_NE(accepted.events[0].find("size=1040 "), std::string::npos);
    EXPECT_EQ(device.firmwareVersion(), options.firmwareVersion);
    device.Boot();
    EXPECT_EQ(device.firmwareVersion(), "2.0.0");
}
