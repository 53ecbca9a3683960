#include "sim/pages.h"

#include "sim/text_codec.h"

namespace {

constexpr char kStyle[] =
    "<style type=\"text/css\">\n"
    "body { font-family: Verdana, Arial, sans-serif; font-size: 12px; margin: 0; }\n"
    ".banner { background: #1f4e8c; color: #fff; font-size: 18px; padding: 10px 16px; }\n"
    ".menu { background: #dfe8f3; padding: 6px 16px; }\n"
    ".menu a { margin-right: 14px; color: #1f4e8c; }\n"
    ".content { padding: 12px 16px; }\n"
    "table.info { border: 1px solid #9fb3cc; background: #f7f9fc; }\n"
    "td.head { background: #9fb3cc; color: #fff; font-weight: bold; }\n"
    "td, th { font-size: 12px; }\n"
    "th { background: #9fb3cc; color: #fff; }\n"
    ".notice { border: 1px solid #c9a400; background: #fff7cc; padding: 6px; }\n"
    "</style>\n";

std::string Frame(std::string_view title, std::string_view body) {
    std::string page;
    page += "<html>\n<head>\n";
    page += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n";
    page += "<meta http-equiv=\"Pragma\" content=\"no-cache\">\n";
    page += "<title>";
    page += title;
    page += "</title>\n";
    page += kStyle;
    page += "</head>\n<body>\n";
    page += "<div class=\"banner\">KV-Q3150Tx Wireless Repeater</div>\n";
    page +=
        "<div class=\"menu\">"
        "<a href=\"/qmv4t2_02_00_00_status.asp\">Status</a>"
        "<a href=\"/qmv4t2_02_02_02_homenet.asp\">LAN</a>"
        "<a href=\"/qmv4t2_02_02_01_int.asp\">Interface</a>"
        "<a href=\"/wlsurvey2.asp\">Site Survey</a>"
        "<a href=\"/wanwisp.asp\">Repeater Setup</a>"
        "<a href=\"/qmv4t2_01_03_00_homenet.asp\">LAN Setup</a>"
        "<a href=\"/qmv4t2_01_01_02_passset.asp\">Password</a>"
        "<a href=\"/qmv4t2_03_02_firmware_b.asp\">Firmware</a>"
        "<a href=\"/qmv4t2_03_03_reset.asp\">Reboot</a>"
        "</div>\n";
    page += "<div class=\"content\">\n";
    page += body;
    page += "</div>\n</body>\n</html>\n";
    return page;
}

std::string Heading(std::string_view text) {
    return "<tr><td class=\"head\" colspan=\"2\">" + std::string(text) + "</td></tr>\n";
}

// One label/value row in the device's table style. The value cell is the
// <div align="left"> that the utility's readers look for after each label.
std::string Row(std::string_view label, std::string_view valueHtml) {
    std::string row = "<tr><td width=\"40%\"><div align=\"right\"><b>";
    row += label;
    row += "</b></div></td><td><div align=\"left\">";
    row += valueHtml;
    row += "</div></td></tr>\n";
    return row;
}

std::string TableStart() {
    return "<table class=\"info\" width=\"520\" border=\"0\" cellpadding=\"3\" "
           "cellspacing=\"1\">\n";
}

std::string InputRow(std::string_view label, std::string_view name, std::string_view value,
                     std::string_view type = "text") {
    std::string input = "<input type=\"" + std::string(type) + "\" name=\"" + std::string(name) +
                        "\" value=\"" + EscapeHtmlAttribute(value) +
                        "\" size=\"20\" maxlength=\"64\">";
    std::string row = "<tr><td width=\"40%\"><div align=\"right\">";
    row += label;
    row += "</div></td><td>";
    row += input;
    row += "</td></tr>\n";
    return row;
}

std::string Hidden(std::string_view name, std::string_view value) {
    return "<input type=\"hidden\" name=\"" + std::string(name) + "\" value=\"" +
           EscapeHtmlAttribute(value) + "\">\n";
}

std::string LanTable(const DeviceState& device) {
    const LanSettings& lan = device.running().lan;
    std::string rows;
    rows += Row("IP Address:", lan.ip);
    rows += Row("Subnet Mask:", lan.mask);
    rows += Row("DHCP Server:", lan.dhcpServer ? "Server (Enabled)" : "Server (Disabled)");
    rows += Row("MAC Address:", FormatMac(device.mac(), false));
    rows += Row("DHCP Client Range:", lan.dhcpRangeStart + " - " + lan.dhcpRangeEnd);
    return rows;
}

struct WanView {
    std::string ip = "0.0.0.0";
    std::string mask = "0.0.0.0";
    std::string gateway = "0.0.0.0";
    std::string dns1;
    std::string dns2;
    std::string mode = "AP";
};

// Once bridged, the upstream network's DHCP server has given the device an address;
// each device gets its own, derived from its MAC address.
WanView ViewOfWan(const DeviceState& device) {
    WanView view;
    view.mode = device.Reported(view.mode);
    if (device.running().bridging.enabled) {
        view.ip = "192.168.100." + std::to_string(100 + device.mac()[5] % 100);
        view.mask = "255.255.255.0";
        view.gateway = "192.168.100.1";
        view.dns1 = "192.168.100.1";
        view.dns2 = "192.168.100.2";
        view.mode = device.Reported("Repeater");
    }
    view.ip = device.Reported(view.ip);
    view.mask = device.Reported(view.mask);
    view.gateway = device.Reported(view.gateway);
    view.dns1 = device.Reported(view.dns1);
    view.dns2 = device.Reported(view.dns2);
    return view;
}

}  // namespace

std::string SecurityText(const Bridging& bridging) {
    if (!bridging.enabled) {
        return "Disabled";
    }
    switch (bridging.encryptType) {
        case 0:
            return "None";
        case 1:
            return bridging.wepLength == 1 ? "WEP 128-bit" : "WEP 64-bit";
        case 2:
            return bridging.wpaCipher == 1 ? "WPA2-PSK (AES)" : "WPA-PSK (TKIP)";
        default:
            return "Unknown";
    }
}

std::string IndexPage(const DeviceState& device) {
    std::string body = "<h3>Welcome</h3>\n<p>Model " + device.model() + ", runtime code " +
                       device.firmwareVersion() +
                       ". Choose a page from the menu above to view or change the settings.</p>\n";
    return Frame("KV-Q3150Tx", body);
}

std::string LanPage(const DeviceState& device) {
    std::string body = "<h3>LAN Status</h3>\n" + TableStart() + Heading("LAN Interface") +
                       LanTable(device) + "</table>\n";
    return Frame("LAN Status", body);
}

std::string InterfacePage(const DeviceState& device) {
    const Bridging& bridging = device.running().bridging;
    WanView wan = ViewOfWan(device);
    std::string body = "<h3>Interface Status</h3>\n<form name=\"wanDns\" action=\"\">\n";
    body +=
        "<input type=\"hidden\" name=\"dns1\" value=\"" + EscapeHtmlAttribute(wan.dns1) + "\">\n";
    body +=
        "<input type=\"hidden\" name=\"dns2\" value=\"" + EscapeHtmlAttribute(wan.dns2) + "\">\n";
    body +=
        "<input type=\"hidden\" name=\"gw\" value=\"" + EscapeHtmlAttribute(wan.gateway) + "\">\n";
    body += TableStart() + Heading("Wireless Station Interface");
    body +=
        "<tr><td width=\"40%\"><div align=\"right\"><b>IP Address:</b></div></td><td>"
        "<input name=\"text2\" type=\"text\" id=\"text\" value=\"" +
        wan.ip + "\" size=\"20\" readonly></td></tr>\n";
    body += Row("Subnet Mask:", wan.mask);
    body += Row("Mode:", wan.mode);
    body += Row("SSID:", device.Reported(bridging.enabled ? bridging.ssid : ""));
    body += Row("Channel:", bridging.enabled ? bridging.channel : "Auto");
    body += Row("Security:", device.Reported(SecurityText(bridging)));
    body += Row("Default Gateway:", wan.gateway);
    body += Row("DNS Servers:", wan.dns1.empty() ? "-" : wan.dns1);
    body += "</table>\n</form>\n";
    return Frame("Interface Status", body);
}

std::string StatusPage(const DeviceState& device, std::string_view notice) {
    std::string body = "<h3>Device Status</h3>\n";
    if (!notice.empty()) {
        body += "<p class=\"notice\">" + std::string(notice) + "</p>\n";
    }
    body += TableStart() + Heading("System");
    body += Row("Runtime Code Version:", device.Reported(device.firmwareVersion()));
    body += Row("Boot Code Version:", "1.0.2");
    body += Row("Hardware:", device.Reported(device.model()));
    body += Heading("LAN") + LanTable(device);
    body += "</table>\n";
    return Frame("Device Status", body);
}

int SurveyCount(size_t networks) {
    return networks == 0 ? 0 : static_cast<int>(networks) + 1;
}

std::string SurveyPage(const DeviceState& device) {
    const auto& networks = device.survey();
    std::string body = "<h3>Wireless Site Survey</h3>\n";
    body +=
        "<p>Networks in range of the repeater. Choose one and press Next to bridge to it.</p>\n";
    body += "<form action=\"/wanwisp.asp\" method=\"GET\" name=\"formWlSiteSurvey\">\n";
    body += "<input type=\"hidden\" name=\"apCount\" value=\"" +
            std::to_string(SurveyCount(networks.size())) + "\">\n";
    body +=
        "<table class=\"info\" width=\"620\" border=\"1\" cellpadding=\"2\" cellspacing=\"0\">\n";
    body +=
        "<tr><th>Channel</th><th>SSID</th><th>BSSID</th><th>Encrypt</th><th>Auth</th>"
        "<th>Signal</th><th>Type</th><th>Select</th></tr>\n";
    for (size_t i = 0; i < networks.size(); ++i) {
        SurveyNetwork n = networks[i];
        for (std::string* text : {&n.ssid, &n.bssid, &n.signal, &n.mode}) {
            *text = device.Reported(*text);
        }
        const std::string index = std::to_string(i);
        // Cell text stays raw, as the device prints it: the utility reads the cells
        // verbatim and sends the SSID back, so an escaped "&amp;" would name another
        // network.
        body += "<tr>\n";
        body += "<td align=\"center\"><font size=\"2\">" + n.channel +
                "<input type=\"hidden\" name=\"chan" + index + "\" value=\"" +
                EscapeHtmlAttribute(n.channel) + "\"></font></td>\n";
        body += "<td><font size=\"2\">" + n.ssid + "<input type=\"hidden\" name=\"ssid" + index +
                "\" value=\"" + EscapeHtmlAttribute(n.ssid) + "\"></font></td>\n";
        body += "<td><font size=\"2\">" + n.bssid + "</font></td>\n";
        body += "<td><font size=\"2\">" + n.encryption + "</font></td>\n";
        body += "<td><font size=\"2\">" + n.wpaKind + "</font></td>\n";
        body += "<td align=\"right\"><font size=\"2\">" + n.signal + "</font></td>\n";
        body += "<td><font size=\"2\">" + n.mode + "</font></td>\n";
        body +=
            "<td align=\"center\"><font size=\"2\"><input type=\"radio\" name=\"select\" "
            "value=\"sel" +
            index + "\"" + (i == 0 ? " checked" : "") + "></font></td>\n";
        body += "</tr>\n";
    }
    body +=
        "</table>\n<p><input type=\"button\" value=\"Refresh\" onclick=\"location.reload()\"> "
        "<input type=\"submit\" value=\"Next\"></p>\n</form>\n";
    return Frame("Wireless Site Survey", body);
}

SurveyBomb SurveyBombPage() {
    // The marker is cut out again; it only finds the place of the text run in the frame.
    constexpr char kMarker[] = "\x01RUN\x01";
    std::string body = "<h3>Wireless Site Survey</h3>\n";
    body += "<form action=\"/wanwisp.asp\" method=\"GET\" name=\"formWlSiteSurvey\">\n";
    body += "<input type=\"hidden\" name=\"apCount\" value=\"300\">\n";
    body += kMarker;
    body += "</font>\n</form>\n";
    SurveyBomb bomb{Frame("Wireless Site Survey", body), 0};
    bomb.textAt = bomb.page.find(kMarker);
    bomb.page.erase(bomb.textAt, sizeof kMarker - 1);
    return bomb;
}

std::string LanFormPage(const DeviceState& device) {
    const LanSettings& lan = device.saved().lan;
    std::string body =
        "<h3>LAN Interface Setup</h3>\n<p>The new settings take effect after the "
        "device restarts.</p>\n";
    body += "<form action=\"/goform/formTcpipSetup\" method=\"POST\" name=\"tcpip\">\n";
    body += TableStart();
    body += InputRow("IP Address", "ip", lan.ip);
    body += InputRow("Subnet Mask", "mask", lan.mask);
    body += "<tr><td><div align=\"right\">DHCP</div></td><td><select name=\"dhcp\">";
    body += std::string("<option value=\"0\"") + (lan.dhcpServer ? "" : " selected") +
            ">Disabled</option>";
    body += std::string("<option value=\"2\"") + (lan.dhcpServer ? " selected" : "") +
            ">Server</option>";
    body += "</select></td></tr>\n";
    body += InputRow("DHCP Client Range Start", "dhcpRangeStart", lan.dhcpRangeStart);
    body += InputRow("DHCP Client Range End", "dhcpRangeEnd", lan.dhcpRangeEnd);
    body += "</table>\n" + Hidden("submit-url", "/qmv4t2_01_03_00_homenet.asp");
    body += "<p><input type=\"submit\" value=\"Apply Changes\"></p>\n</form>\n";
    return Frame("LAN Interface Setup", body);
}

std::string PasswordFormPage(const DeviceState& device) {
    std::string body = "<h3>Password Setup</h3>\n";
    body += "<form action=\"/goform/formPasswordSetup\" method=\"POST\" name=\"password\">\n";
    body += TableStart();
    body += Row("User Name", device.running().user);
    body += InputRow("Old Password", "oldpass", "", "password");
    body += InputRow("New Password", "newpass", "", "password");
    body += InputRow("Confirm Password", "confpass", "", "password");
    body += "</table>\n" + Hidden("submit-url", "/qmv4t2_01_01_02_passset.asp");
    body += "<p><input type=\"submit\" name=\"save\" value=\"Apply\"></p>\n</form>\n";
    return Frame("Password Setup", body);
}

std::string FirmwareFormPage(const DeviceState& device) {
    std::string body =
        "<h3>Upgrade Firmware</h3>\n<p>Current runtime code: " + device.firmwareVersion() +
        ". Do not switch the device off while the new firmware is written.</p>\n";
    body +=
        "<form action=\"/goform/formUpload\" method=\"POST\" enctype=\"multipart/form-data\" "
        "name=\"upload\">\n";
    body += "<p>Select File: <input type=\"file\" name=\"binary\" size=\"30\"></p>\n";
    body += Hidden("submit-url", "qmv4t2_03_02_firmware_b.asp");
    body += Hidden("main_menu_number", "4") + Hidden("sub_menu_number", "2") +
            Hidden("third_menu_number", "0");
    body += "<p><input type=\"submit\" value=\"Upload\"></p>\n</form>\n";
    return Frame("Upgrade Firmware", body);
}

std::string ResetFormPage(const DeviceState&) {
    std::string body = "<h3>Reboot</h3>\n";
    body += "<form action=\"/goform/formReboot\" method=\"POST\" name=\"reboot\">\n";
    body += Hidden("reset_flag", "0") + Hidden("submit-url", "/qmv4t2_03_03_reset.asp");
    body += "<p><input type=\"submit\" value=\"Reboot Now\"></p>\n</form>\n";
    body +=
        "<h3>Factory Defaults</h3>\n<p>Restores the settings the device was shipped with; "
        "they take effect after the next reboot.</p>\n";
    body += "<form action=\"/goform/mp\" method=\"POST\" name=\"defaults\">\n";
    body += Hidden("command", "COMMAND flash default") + Hidden("getID", "");
    body += "<p><input type=\"submit\" value=\"Restore Defaults\"></p>\n</form>\n";
    return Frame("Reboot", body);
}

std::string BridgingFormPage(const DeviceState& device) {
    const Bridging& b = device.running().bridging;
    std::string body = "<h3>Repeater Setup</h3>\n";
    body += "<form action=\"/goform/formStaDrvSetup\" method=\"POST\" name=\"wisp\">\n";
    body += Hidden("stadrv_type", "3");
    body += TableStart();
    body += InputRow("SSID", "stadrv_ssid", b.ssid);
    body += InputRow("Channel", "stadrv_chan", b.enabled ? b.channel : "11");
    body +=
        "<tr><td><div align=\"right\">Encryption</div></td><td><select name=\"stadrv_encrypttype\">"
        "<option value=\"0\">None</option><option value=\"1\">WEP</option>"
        "<option value=\"2\">WPA</option></select></td></tr>\n";
    body +=
        "<tr><td><div align=\"right\">WEP Key Length</div></td><td><select "
        "name=\"stadrv_weplength\">"
        "<option value=\"0\">64-bit</option><option "
        "value=\"1\">128-bit</option></select></td></tr>\n";
    body += InputRow("WEP Key", "key1", "");
    body +=
        "<tr><td><div align=\"right\">WPA Cipher</div></td><td><select name=\"stadrv_wpacipher\">"
        "<option value=\"0\">TKIP</option><option value=\"1\">AES</option></select></td></tr>\n";
    body += InputRow("Pre-Shared Key", "stadrv_pskkey", "");
    body += "</table>\n" + Hidden("stadrv_defaultkey", "0") + Hidden("submit-url", "/wanwisp.asp");
    body += "<p><input type=\"submit\" value=\"Apply Changes\"></p>\n</form>\n";
    return Frame("Repeater Setup", body);
}

std::string MessagePage(std::string_view title, std::string_view message) {
    std::string body =
        "<h3>" + std::string(title) + "</h3>\n<p>" + std::string(message) +
        "</p>\n<p><a href=\"/qmv4t2_02_00_00_status.asp\">Back to the status page</a></p>\n";
    return Frame(title, body);
}
