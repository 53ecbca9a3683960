// The site-survey page reader on any answer: the count is bounded, every network has its
// seven fields, each a trimmed cell no longer than the limit or a single blank, and the
// whole reading costs memory of the order of the page (libFuzzer's memory limit catches a
// reading that copies the page once per field).

#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "web/survey_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring page = fuzz::WireText(data, size);
    const int count = ParseSurveyCount(page);
    FUZZ_CHECK(count >= 0 && count <= kMaxSurveyNetworks);

    const std::vector<std::wstring> fields = ParseSurveyFields(page);
    FUZZ_CHECK(fields.size() == static_cast<size_t>(count) * kSurveyFieldsPerNetwork);
    for (const std::wstring& field : fields) {
        FUZZ_CHECK(!field.empty());
        FUZZ_CHECK(field.size() <= kMaxSurveyFieldLength);
        FUZZ_CHECK(field == L" " || (!std::iswspace(static_cast<wint_t>(field.front())) &&
                                     !std::iswspace(static_cast<wint_t>(field.back()))));
    }

    const std::vector<SurveyNetwork> networks = ParseSurveyNetworks(page);
    FUZZ_CHECK(networks.size() == static_cast<size_t>(count));
    for (size_t i = 0; i < networks.size(); ++i) {
        const SurveyNetwork& network = networks[i];
        const size_t base = i * kSurveyFieldsPerNetwork;
        FUZZ_CHECK(network.channel == fields[base] && network.ssid == fields[base + 1] &&
                   network.bssid == fields[base + 2] && network.mode == fields[base + 6]);
        FUZZ_CHECK(network.keyword == L"NONE" || network.keyword == L"WEP" ||
                   network.keyword == L"TKIP" || network.keyword == L"AES" ||
                   network.keyword == L"Unknown");
        FUZZ_CHECK(!network.securityText.empty());
    }
    return 0;
}
