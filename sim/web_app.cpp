#include "sim/web_app.h"

#include <charconv>
#include <functional>
#include <map>

#include "sim/firmware_image.h"
#include "sim/pages.h"
#include "sim/sim_log.h"
#include "sim/text_codec.h"

namespace {

HttpResponse Page(std::string body) {
    HttpResponse response;
    response.body = std::move(body);
    return response;
}

WebOutcome Answer(std::string body) {
    return WebOutcome{Page(std::move(body)), {}, {}};
}

WebOutcome ErrorAnswer(std::string_view message) {
    return Answer(MessagePage("Error", message));
}

std::optional<int> IntField(const FormFields& form, std::string_view name) {
    auto text = FindField(form, name);
    if (!text) {
        return std::nullopt;
    }
    int value = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc{} || end != text->data() + text->size()) {
        return std::nullopt;
    }
    return value;
}

using PageRenderer = std::function<std::string(const DeviceState&)>;

const std::map<std::string, PageRenderer, std::less<>>& PagesByPath() {
    static const std::map<std::string, PageRenderer, std::less<>> pages = {
        {"/", IndexPage},
        {"/index.asp", IndexPage},
        {"/qmv4t2_02_02_02_homenet.asp", LanPage},
        {"/qmv4t2_02_02_01_int.asp", InterfacePage},
        {"/qmv4t2_02_00_00_status.asp",
         [](const DeviceState& device) { return StatusPage(device, ""); }},
        {"/wlsurvey2.asp", SurveyPage},
        {"/qmv4t2_01_03_00_homenet.asp", LanFormPage},
        {"/qmv4t2_01_01_02_passset.asp", PasswordFormPage},
        {"/qmv4t2_03_02_firmware_b.asp", FirmwareFormPage},
        {"/qmv4t2_03_03_reset.asp", ResetFormPage},
        {"/wanwisp.asp", BridgingFormPage},
    };
    return pages;
}

}  // namespace

WebOutcome DeviceWebApp::Handle(const HttpRequest& request) {
    if (!Authorized(request)) {
        return WebOutcome{StatusResponse(401), {}, {}};
    }
    return Route(request);
}

bool DeviceWebApp::Authorized(const HttpRequest& request) const {
    const std::string* header = request.FindHeader("Authorization");
    if (!header) {
        return false;
    }
    std::string_view value = TrimSpaces(*header);
    if (!StartsWithIgnoreCase(value, "Basic ")) {
        return false;
    }
    auto credentials = DecodeBase64(TrimSpaces(value.substr(6)));
    const DeviceConfig& config = m_device.running();
    return credentials && *credentials == config.user + ":" + config.password;
}

WebOutcome DeviceWebApp::Route(const HttpRequest& request) {
    const std::string path = request.Path();
    const auto& pages = PagesByPath();
    if (auto page = pages.find(path); page != pages.end()) {
        if (request.method != "GET" && request.method != "POST") {
            WebOutcome outcome{StatusResponse(405), {}, {}};
            outcome.response.headers.emplace_back("Allow", "GET, POST");
            return outcome;
        }
        if (m_misbehaviour.surveyBombBytes > 0 && path == "/wlsurvey2.asp") {
            SurveyBomb bomb = SurveyBombPage();
            WebOutcome outcome{Page(std::move(bomb.page)), {}, {}};
            outcome.response.fillerAt = bomb.textAt;
            outcome.response.fillerBytes = m_misbehaviour.surveyBombBytes;
            return outcome;
        }
        return Answer(page->second(m_device));
    }

    static const std::map<std::string, int, std::less<>> kForms = {
        {"/goform/formZelkora", 0},    {"/goform/formStaDrvSetup", 1},
        {"/goform/formTcpipSetup", 2}, {"/goform/formPasswordSetup", 3},
        {"/goform/formReboot", 4},     {"/goform/mp", 5},
        {"/goform/formUpload", 6},
    };
    auto form = kForms.find(path);
    if (form == kForms.end()) {
        return WebOutcome{StatusResponse(404), {}, {}};
    }
    if (request.method != "POST") {
        WebOutcome outcome{StatusResponse(405), {}, {}};
        outcome.response.headers.emplace_back("Allow", "POST");
        return outcome;
    }
    const FormFields fields = ParseFormBody(request.body);
    switch (form->second) {
        case 0:
            return RepeaterOff();
        case 1:
            return Bridging(fields);
        case 2:
            return TcpipSetup(fields);
        case 3:
            return PasswordSetup(fields);
        case 4:
            return Reboot();
        case 5:
            return FactoryCommand(fields);
        default:
            return Upload(request);
    }
}

WebOutcome DeviceWebApp::RepeaterOff() {
    m_device.DisableRepeater();
    WebOutcome outcome = Answer(MessagePage("Operation Mode", "Repeater mode is off."));
    outcome.events.push_back("what=repeater-off");
    return outcome;
}

WebOutcome DeviceWebApp::Bridging(const FormFields& form) {
    ::Bridging bridging;
    bridging.enabled = true;
    bridging.ssid = FindField(form, "stadrv_ssid").value_or("");
    bridging.channel = FindField(form, "stadrv_chan").value_or("");
    auto encrypt = IntField(form, "stadrv_encrypttype");
    if (bridging.ssid.empty() || !encrypt || *encrypt < 0 || *encrypt > 2) {
        return ErrorAnswer("Invalid repeater settings: an SSID and an encryption type are needed.");
    }
    bridging.encryptType = *encrypt;
    bridging.wepLength = IntField(form, "stadrv_weplength").value_or(0);
    bridging.defaultKey = IntField(form, "stadrv_defaultkey").value_or(0);
    bridging.wpaCipher = IntField(form, "stadrv_wpacipher").value_or(0);
    if (bridging.encryptType == 1) {
        int keyIndex =
            (bridging.defaultKey >= 0 && bridging.defaultKey <= 3) ? bridging.defaultKey : 0;
        bridging.key = FindField(form, "key" + std::to_string(keyIndex + 1)).value_or("");
    } else if (bridging.encryptType == 2) {
        bridging.key = FindField(form, "stadrv_pskkey").value_or("");
    }
    m_device.ConfigureBridging(bridging);
    WebOutcome outcome =
        Answer(MessagePage("Repeater Setup", "Settings saved. The repeater connects to " +
                                                 bridging.ssid + " after it restarts."));
    outcome.events.push_back(
        "what=bridging ssid=" + LogValue(bridging.ssid) + " channel=" + LogValue(bridging.channel) +
        " security=" + std::to_string(bridging.encryptType) + " key=" + LogValue(bridging.key));
    return outcome;
}

WebOutcome DeviceWebApp::TcpipSetup(const FormFields& form) {
    LanSettings lan = m_device.saved().lan;
    auto ip = ParseIpv4(FindField(form, "ip").value_or(""));
    auto mask = ParseIpv4(FindField(form, "mask").value_or(""));
    auto dhcp = FindField(form, "dhcp");
    if (!ip || !mask || !IsContiguousMask(*mask) || *mask == 0xffffffff) {
        return ErrorAnswer("Invalid IP address or subnet mask!");
    }
    if ((*ip & ~*mask) == 0 || (*ip | *mask) == 0xffffffff) {
        return ErrorAnswer("Invalid IP address: it is the network or broadcast address.");
    }
    if (!dhcp || (*dhcp != "0" && *dhcp != "2")) {
        return ErrorAnswer("Invalid DHCP setting!");
    }
    lan.ip = FormatIpv4(*ip);
    lan.mask = FormatIpv4(*mask);
    lan.dhcpServer = *dhcp == "2";
    DeviceState::DefaultDhcpRange(lan);
    auto start = ParseIpv4(FindField(form, "dhcpRangeStart").value_or(""));
    auto end = ParseIpv4(FindField(form, "dhcpRangeEnd").value_or(""));
    if (start && end) {
        lan.dhcpRangeStart = FormatIpv4(*start);
        lan.dhcpRangeEnd = FormatIpv4(*end);
    }
    m_device.SaveLanSettings(lan);
    WebOutcome outcome = Answer(StatusPage(
        m_device, "Settings saved. The new LAN settings take effect after the device restarts."));
    outcome.events.push_back("what=lan-saved ip=" + lan.ip + " mask=" + lan.mask +
                             " dhcp=" + (lan.dhcpServer ? "on" : "off") +
                             " range=" + lan.dhcpRangeStart + "-" + lan.dhcpRangeEnd);
    return outcome;
}

WebOutcome DeviceWebApp::PasswordSetup(const FormFields& form) {
    auto oldPassword = FindField(form, "oldpass");
    auto newPassword = FindField(form, "newpass");
    auto confirmation = FindField(form, "confpass");
    if (!oldPassword || *oldPassword != m_device.running().password) {
        return ErrorAnswer("The old password is incorrect!");
    }
    if (!newPassword || !confirmation || *newPassword != *confirmation) {
        return ErrorAnswer("The new password and its confirmation do not match!");
    }
    m_device.ChangePassword(*newPassword);
    WebOutcome outcome = Answer(MessagePage("Password Setup", "The password has been changed."));
    outcome.events.push_back("what=password-changed");
    return outcome;
}

WebOutcome DeviceWebApp::Reboot() {
    WebOutcome outcome =
        Answer(MessagePage("Rebooting", "The device is restarting. Please wait..."));
    outcome.after = AfterAnswer::kReboot;
    return outcome;
}

WebOutcome DeviceWebApp::FactoryCommand(const FormFields& form) {
    if (FindField(form, "command").value_or("") != "COMMAND flash default") {
        return ErrorAnswer("Unknown command.");
    }
    m_device.RestoreFactoryDefaults();
    WebOutcome outcome = Answer(MessagePage(
        "Factory Defaults", "Default settings restored. They take effect after the next reboot."));
    outcome.events.push_back("what=factory-defaults-saved");
    return outcome;
}

WebOutcome DeviceWebApp::Upload(const HttpRequest& request) {
    const FileReceipt* image = request.formData ? request.formData->FindFile("binary") : nullptr;
    std::optional<std::string> version;
    std::string problem;
    if (!request.formData) {
        problem = "not-multipart";
    } else if (!image) {
        problem = "no-binary-part";
    } else if (!image->complete || !request.multipartComplete) {
        problem = "incomplete";
    } else if (!(version = FirmwareVersionOf(image->head))) {
        problem = "bad-header";
    }
    std::string event = "what=upload size=" + std::to_string(image ? image->size : 0) +
                        " sha256=" + (image && image->complete ? image->sha256 : "-");
    if (!version) {
        WebOutcome outcome = Answer(MessagePage("Upgrade Firmware", "Invalid file format!"));
        outcome.events.push_back(event + " accepted=no reason=" + problem);
        return outcome;
    }
    m_device.StageFirmware(*version);
    WebOutcome outcome = Answer(
        MessagePage("Upgrade Firmware",
                    "Firmware update successful. The device restarts now; do not switch it off."));
    outcome.after = AfterAnswer::kUpgrade;
    outcome.events.push_back(event + " accepted=yes version=" + LogValue(*version));
    return outcome;
}
