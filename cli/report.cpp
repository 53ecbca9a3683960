#include "cli/report.h"

#include <algorithm>
#include <utility>

#include "cli/text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

struct Field {
    const char* jsonKey;
    const std::wstring* value;
};

std::vector<Field> StatusFields(const DeviceStatus& s) {
    return {{"macAddress", &s.strMACAddress},
            {"firmwareVersion", &s.strFirmwareVersion},
            {"lanIp", &s.strLanIP},
            {"lanMask", &s.strLanMask},
            {"dhcpServer", &s.strDhcpServer},
            {"mode", &s.strMode},
            {"security", &s.strSecurity},
            {"wanIp", &s.strWanIP},
            {"ssid", &s.strSSID},
            {"wanMask", &s.strWanMask},
            {"gateway", &s.strGateway},
            {"dns1", &s.strDNS1},
            {"dns2", &s.strDNS2}};
}

// Display width of a text in a fixed-width terminal, counting one cell per character.
size_t Cells(const std::wstring& text) {
    return text.size();
}

// Rows of cells as left-aligned columns separated by two spaces. Every cell is shown with
// its control characters escaped: most of them are the device's own texts.
std::string Table(std::vector<std::vector<std::wstring>> rows) {
    for (auto& row : rows) {
        for (std::wstring& cell : row) {
            cell = EscapeControls(cell);
        }
    }
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], Cells(row[c]));
        }
    }
    std::string out;
    for (const auto& row : rows) {
        std::wstring line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) {
                line.append(widths[c] - Cells(row[c]) + 2, L' ');
            }
        }
        out += WideToUtf8(line) + "\n";
    }
    return out;
}

std::string JsonObject(const std::vector<std::pair<const char*, std::wstring>>& members,
                       const char* indent) {
    std::string out = "{";
    for (size_t i = 0; i < members.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += indent;
        out += "  \"";
        out += members[i].first;
        out += "\": " + JsonQuote(members[i].second);
    }
    out += "\n";
    out += indent;
    out += "}";
    return out;
}

template <typename Item, typename ToMembers>
std::string JsonArray(const std::vector<Item>& items, ToMembers toMembers) {
    if (items.empty()) {
        return "[]\n";
    }
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        out += JsonObject(toMembers(items[i]), "  ");
    }
    return out + "\n]\n";
}

}  // namespace

std::string FormatDevices(const std::vector<_STRU_AP_INFO>& devices, bool json) {
    if (json) {
        return JsonArray(devices, [](const _STRU_AP_INFO& d) {
            return std::vector<std::pair<const char*, std::wstring>>{{"mac", d.strDevMAC},
                                                                     {"ip", d.strDevIP},
                                                                     {"model", d.strDevModel},
                                                                     {"mask", d.strDevSubnet}};
        });
    }
    std::vector<std::vector<std::wstring>> rows;
    if (!devices.empty()) {
        rows.push_back({LoadString(kTextMacAddress), LoadString(kTextIpAddress),
                        LoadString(kTextModel), LoadString(kCliColumnMask)});
    }
    for (const _STRU_AP_INFO& d : devices) {
        rows.push_back({d.strDevMAC, d.strDevIP, d.strDevModel, d.strDevSubnet});
    }
    std::wstring count;
    if (devices.empty()) {
        count = LoadString(kTextNoneFound);
    } else if (devices.size() == 1) {
        count = LoadString(kTextOneFound);
    } else {
        count = std::to_wstring(devices.size()) + L" " + LoadString(kTextManyFound);
    }
    return Table(rows) + WideToUtf8(count) + "\n";
}

std::string FormatStatus(const DeviceStatus& status, bool json) {
    const std::vector<Field> fields = StatusFields(status);
    if (json) {
        std::vector<std::pair<const char*, std::wstring>> members;
        for (const Field& f : fields) {
            members.emplace_back(f.jsonKey, *f.value);
        }
        return JsonObject(members, "") + "\n";
    }
    std::vector<std::vector<std::wstring>> rows;
    for (size_t i = 0; i < fields.size(); ++i) {
        rows.push_back({LoadString(kCliFieldMac + static_cast<int>(i)) + L":", *fields[i].value});
    }
    return Table(rows);
}

std::string FormatSurvey(const std::vector<SurveyNetwork>& networks, bool json) {
    if (json) {
        return JsonArray(networks, [](const SurveyNetwork& n) {
            return std::vector<std::pair<const char*, std::wstring>>{
                {"ssid", n.ssid},       {"security", n.securityText}, {"keyword", n.keyword},
                {"channel", n.channel}, {"bssid", n.bssid},           {"signal", n.signal},
                {"mode", n.mode}};
        });
    }
    std::vector<std::vector<std::wstring>> rows;
    rows.push_back({LoadString(kTextColumnSsid), LoadString(kTextColumnEncrypt),
                    LoadString(kTextColumnChannel), LoadString(kTextColumnBssid),
                    LoadString(kTextColumnSignal), LoadString(kTextColumnMode)});
    for (const SurveyNetwork& n : networks) {
        rows.push_back({n.ssid, n.securityText, n.channel, n.bssid, n.signal, n.mode});
    }
    return Table(rows);
}

std::string FormatProgressBar(uint64_t sent, uint64_t total, int width) {
    const uint64_t shown = std::min(sent, total);
    const int percent = total == 0 ? 100 : static_cast<int>(shown * 100 / total);
    const int filled = total == 0 ? width : static_cast<int>(shown * width / total);
    std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(width - filled), ' ') + "] ";
    std::string pct = std::to_string(percent);
    bar += std::string(3 - std::min<size_t>(3, pct.size()), ' ') + pct + "% ";
    bar += std::to_string(shown) + "/" + std::to_string(total) + " bytes";
    return bar;
}
