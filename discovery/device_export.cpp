#include "discovery/device_export.h"

#include <cstdint>

#include "platform/json_text.h"
#include "platform/utf8_text.h"

namespace {

struct ExportField {
    const char* key;
    std::wstring FoundDevice::*value;
};

// The one list of exported fields, in their order.
constexpr ExportField kFields[] = {
    {"mac", &FoundDevice::mac},
    {"ip", &FoundDevice::ip},
    {"model", &FoundDevice::model},
    {"mask", &FoundDevice::subnet},
};

bool IsControl(wchar_t ch) {
    const auto code = static_cast<uint32_t>(ch);
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// Spreadsheets take a cell that starts with one of these as a formula (a tab or a
// carriage return before the sign is skipped by some of them).
std::wstring WithoutFormula(std::wstring value) {
    if (!value.empty() && std::wstring(L"=+-@\t\r").find(value.front()) != std::wstring::npos) {
        value.insert(value.begin(), L'\'');
    }
    return value;
}

std::string CsvField(const std::wstring& value) {
    std::wstring quoted = L"\"";
    for (wchar_t ch : WithoutFormula(value)) {
        quoted += ch;
        if (ch == L'"') {
            quoted += L'"';
        }
    }
    quoted += L'"';
    return WideToUtf8(quoted);
}

// Appended piece by piece: GCC 12 at -O3 takes "," + std::string(...) for an
// overlapping copy (a false -Wrestrict).
std::string Csv(const std::vector<FoundDevice>& devices) {
    std::string out;
    for (const ExportField& field : kFields) {
        if (&field != &kFields[0]) {
            out += ',';
        }
        out += field.key;
    }
    out += "\r\n";
    for (const FoundDevice& device : devices) {
        for (const ExportField& field : kFields) {
            if (&field != &kFields[0]) {
                out += ',';
            }
            out += CsvField(device.*field.value);
        }
        out += "\r\n";
    }
    return out;
}

std::string Json(const std::vector<FoundDevice>& devices) {
    std::vector<JsonMembers> objects;
    objects.reserve(devices.size());
    for (const FoundDevice& device : devices) {
        JsonMembers members;
        for (const ExportField& field : kFields) {
            members.emplace_back(field.key, device.*field.value);
        }
        objects.push_back(std::move(members));
    }
    return JsonArray(objects);
}

}  // namespace

std::string ExportDeviceList(const std::vector<FoundDevice>& devices, DeviceListFormat format) {
    return format == DeviceListFormat::kCsv ? Csv(devices) : Json(devices);
}

std::wstring DeviceRowText(const FoundDevice& device) {
    std::wstring row;
    for (const ExportField& field : kFields) {
        std::wstring cell = device.*field.value;
        for (wchar_t& ch : cell) {
            if (IsControl(ch)) {
                ch = L'\uFFFD';
            }
        }
        if (&field != &kFields[0]) {
            row += L'\t';
        }
        row += WithoutFormula(cell);
    }
    return row;
}
