#include "cli/report.h"

#include <algorithm>
#include <utility>

#include "cli/text.h"
#include "discovery/device_export.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

struct Field {
    const char* jsonKey;
    const std::wstring* value;
};

std::vector<Field> StatusFields(const DeviceStatus& s) {
    return {{"macAddress", &s.macAddress},
            {"firmwareVersion", &s.firmwareVersion},
            {"lanIp", &s.lanIp},
            {"lanMask", &s.lanMask},
            {"dhcpServer", &s.dhcpServer},
            {"mode", &s.mode},
            {"security", &s.security},
            {"wanIp", &s.wanIp},
            {"ssid", &s.ssid},
            {"wanMask", &s.wanMask},
            {"gateway", &s.gateway},
            {"dns1", &s.dns1},
            {"dns2", &s.dns2}};
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

}  // namespace

std::string FormatDevices(const std::vector<FoundDevice>& devices, bool json) {
    if (json) {
        return ExportDeviceList(devices, DeviceListFormat::kJson);
    }
    std::vector<std::vector<std::wstring>> rows;
    if (!devices.empty()) {
        rows.push_back({LoadString(kTextMacAddress), LoadString(kTextIpAddress),
                        LoadString(kTextModel), LoadString(kCliColumnMask)});
    }
    for (const FoundDevice& d : devices) {
        rows.push_back({d.mac, d.ip, d.model, d.subnet});
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
        JsonMembers members;
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
        std::vector<JsonMembers> objects;
        for (const SurveyNetwork& n : networks) {
            objects.push_back({{"ssid", n.ssid},
                               {"security", n.securityText},
                               {"keyword", n.keyword},
                               {"channel", n.channel},
                               {"bssid", n.bssid},
                               {"signal", n.signal},
                               {"mode", n.mode}});
        }
        return JsonArray(objects);
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
    // Appended piece by piece: GCC 12 at -O3 takes "[" + std::string(...) for an
    // overlapping copy (a false -Wrestrict).
    std::string bar = "[";
    bar.append(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), ' ');
    bar += "] ";
    const std::string pct = std::to_string(percent);
    bar.append(3 - std::min<size_t>(3, pct.size()), ' ');
    bar += pct;
    bar += "% ";
    bar += std::to_string(shown);
    bar += '/';
    bar += std::to_string(total);
    bar += " bytes";
    return bar;
}
