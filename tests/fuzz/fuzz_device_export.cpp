// The export of the device list: whatever four texts a device reports, the CSV reads back
// as one header and one record of exactly those four cells (a formula sign guarded by an
// apostrophe), the JSON keeps its eight lines and carries no control character, and the
// clipboard row stays one line of four cells without one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/device_export.h"
#include "fuzz_check.h"
#include "platform/utf8_text.h"

namespace {

// RFC 4180 records; every field of ours is quoted.
std::vector<std::vector<std::string>> ReadCsv(const std::string& csv) {
    std::vector<std::vector<std::string>> records(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < csv.size(); ++i) {
        const char ch = csv[i];
        if (quoted) {
            if (ch == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (ch == '"') {
                quoted = false;
            } else {
                field += ch;
            }
        } else if (ch == '"') {
            FUZZ_CHECK(field.empty());
            quoted = true;
        } else if (ch == ',') {
            records.back().push_back(field);
            field.clear();
        } else if (ch == '\r') {
            FUZZ_CHECK(i + 1 < csv.size() && csv[i + 1] == '\n');
            records.back().push_back(field);
            field.clear();
            records.emplace_back();
            ++i;
        } else {
            FUZZ_CHECK(records.size() == 1);  // only the header is unquoted
            field += ch;
        }
    }
    FUZZ_CHECK(!quoted && field.empty() && records.back().empty());
    records.pop_back();
    return records;
}

bool IsFormulaStart(char ch) {
    return ch == '=' || ch == '+' || ch == '-' || ch == '@' || ch == '\t' || ch == '\r';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Four texts, split at the first three 0xFE bytes.
    std::vector<std::wstring> values;
    size_t start = 0;
    for (size_t i = 0; i <= size && values.size() < 3; ++i) {
        if (i == size || data[i] == 0xFE) {
            values.push_back(fuzz::AnyText(data + start, i - start));
            start = i + 1;
        }
    }
    while (values.size() < 4) {
        values.push_back(start < size ? fuzz::AnyText(data + start, size - start) : L"");
        start = size;
    }
    const FoundDevice device{values[2], values[0], values[1], values[3], L"admin", L"admin"};

    const auto records = ReadCsv(ExportDeviceList({device}, DeviceListFormat::kCsv));
    FUZZ_CHECK(records.size() == 2 && records[0].size() == 4 && records[1].size() == 4);
    for (size_t i = 0; i < 4; ++i) {
        const std::string expected = WideToUtf8(values[i]);
        const std::string& cell = records[1][i];
        if (!expected.empty() && IsFormulaStart(expected[0])) {
            FUZZ_CHECK(cell == "'" + expected);
        } else {
            FUZZ_CHECK(cell == expected);
        }
    }

    const std::string json = ExportDeviceList({device}, DeviceListFormat::kJson);
    for (size_t i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        FUZZ_CHECK(byte >= 0x20 || byte == '\n');
        FUZZ_CHECK(byte != 0x7F);
        if (byte == 0xC2 && i + 1 < json.size()) {
            const auto next = static_cast<unsigned char>(json[i + 1]);
            FUZZ_CHECK(next < 0x80 || next > 0x9F);  // no C1 control
        }
    }
    // Eight lines: the brackets, the braces and the four members.
    size_t lines = 0;
    for (char ch : json) {
        lines += ch == '\n' ? 1 : 0;
    }
    FUZZ_CHECK(lines == 8);

    const std::wstring row = DeviceRowText(device);
    size_t tabs = 0;
    for (wchar_t ch : row) {
        const auto code = static_cast<uint32_t>(ch);
        tabs += ch == L'\t' ? 1 : 0;
        FUZZ_CHECK(ch == L'\t' || (code >= 0x20 && !(code >= 0x7F && code <= 0x9F)));
    }
    FUZZ_CHECK(tabs == 3);
    return 0;
}
