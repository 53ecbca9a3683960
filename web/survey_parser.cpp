#include "web/survey_parser.h"

#include "platform/ansi_text.h"
#include "platform/wide_int.h"

#include <algorithm>
#include <cwctype>
#include <tuple>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/response_parsers.h"

namespace {

constexpr std::wstring_view kCountMarker = L"name=\"apCount\"";
// The count is found by the word "value" but cut as the whole `value="` (7 characters);
// a page without the word loses 6 characters instead.
constexpr std::wstring_view kValueWord = L"value";
constexpr std::ptrdiff_t kValueAttributeLength = 7;
constexpr std::wstring_view kCellStart = L"<font size=\"2\">";
constexpr std::wstring_view kInputStart = L"<input";
constexpr std::wstring_view kCellEnd = L"</font>";

// Reads the network count and leaves `rest` at the start of the count value, from where
// the cells are read.
int TakeNetworkCount(std::wstring_view& rest) {
    const std::ptrdiff_t marker = FindText(rest, kCountMarker);
    if (marker < 0) {
        // Without the count input the page lists nothing we can trust; a later "value"
        // attribute of some other input must not be taken for the count.
        return 0;
    }
    rest = CutFront(rest, marker);
    rest = CutFront(rest, FindText(rest, kValueWord) + kValueAttributeLength);
    long long count = WideToInt(HeadOf(rest, FindText(rest, L"\"")));
    if (count > 1) {
        --count;
    }
    return static_cast<int>(std::clamp<long long>(count, 0, kMaxSurveyNetworks));
}

// The first occurrence of a marker at or after a position that only moves forward. An
// occurrence found once stays the answer until the position passes it, and a marker
// found nowhere stays absent, so each marker's search crosses the page about once
// however many fields are read.
class ForwardSearch {
public:
    ForwardSearch(std::wstring_view page, std::wstring_view marker)
        : m_page(page), m_marker(marker) {}

    size_t From(size_t position) {
        const bool known = m_searched && position >= m_from &&
                           (m_found == std::wstring_view::npos || m_found >= position);
        if (!known) {
            m_found = m_page.find(m_marker, position);
            m_from = position;
            m_searched = true;
        }
        return m_found;
    }

private:
    std::wstring_view m_page;
    std::wstring_view m_marker;
    bool m_searched = false;
    size_t m_from = 0;
    size_t m_found = std::wstring_view::npos;
};

}  // namespace

std::ptrdiff_t FindText(std::wstring_view text, std::wstring_view marker) {
    const size_t at = text.find(marker);
    return at == std::wstring_view::npos ? -1 : static_cast<std::ptrdiff_t>(at);
}

std::wstring_view CutFront(std::wstring_view text, std::ptrdiff_t n) {
    if (n <= 0) {
        return text;
    }
    return text.substr(std::min(static_cast<size_t>(n), text.size()));
}

std::wstring_view HeadOf(std::wstring_view text, std::ptrdiff_t n) {
    if (n <= 0) {
        return {};
    }
    return text.substr(0, static_cast<size_t>(n));
}

int ParseSurveyCount(const std::wstring& page) {
    std::wstring_view rest = page;
    return TakeNetworkCount(rest);
}

std::vector<std::wstring> ParseSurveyFields(const std::wstring& page) {
    const std::wstring_view text = page;
    std::wstring_view rest = text;
    const int count = TakeNetworkCount(rest);
    // The reading position: the front of what is left of the page.
    size_t at = text.size() - rest.size();
    ForwardSearch cellStarts(text, kCellStart);
    ForwardSearch inputStarts(text, kInputStart);
    ForwardSearch cellEnds(text, kCellEnd);
    // Past the next cell opening; without one the opening's position reads -1, so 14
    // characters go.
    const auto pastNextCell = [&] {
        const size_t cell = cellStarts.From(at);
        const size_t next =
            cell == std::wstring_view::npos ? at + kCellStart.size() - 1 : cell + kCellStart.size();
        at = std::min(next, text.size());
    };

    std::vector<std::wstring> fields;
    fields.reserve(static_cast<size_t>(count) * kSurveyFieldsPerNetwork);
    for (int network = 0; network < count; ++network) {
        for (int field = 0; field < kSurveyFieldsPerNetwork; ++field) {
            pastNextCell();
            // Channel and SSID cells also carry a hidden input after the text.
            const size_t end = (field < 2 ? inputStarts : cellEnds).From(at);
            std::wstring value;
            if (end != std::wstring_view::npos && end - at <= kMaxSurveyFieldLength) {
                value = TrimWhiteSpace(text.substr(at, end - at));
            }
            fields.push_back(value.empty() ? L" " : std::move(value));
        }
        pastNextCell();  // the selection cell
    }
    return fields;
}

std::vector<SurveyNetwork> ParseSurveyNetworks(const std::wstring& page) {
    const std::vector<std::wstring> fields = ParseSurveyFields(page);
    std::vector<SurveyNetwork> networks;
    networks.reserve(fields.size() / kSurveyFieldsPerNetwork);
    for (size_t base = 0; base + kSurveyFieldsPerNetwork <= fields.size();
         base += kSurveyFieldsPerNetwork) {
        SurveyNetwork network;
        network.channel = fields[base + 0];
        network.ssid = fields[base + 1];
        network.bssid = fields[base + 2];
        network.encryption = fields[base + 3];
        network.wpaKind = fields[base + 4];
        network.signal = fields[base + 5];
        network.mode = fields[base + 6];
        std::tie(network.keyword, network.securityText) =
            ClassifySecurity(network.encryption, network.wpaKind);
        networks.push_back(std::move(network));
    }
    return networks;
}

std::pair<std::wstring, std::wstring> ClassifySecurity(const std::wstring& encryptionWord,
                                                       const std::wstring& wpaKind) {
    // The kind word decides first: WPA networks also name a cipher as encryption word.
    if (EqualsIgnoreCase(wpaKind, L"WPAPSK")) {
        return {L"TKIP", LoadString(kTextSecurityTkip)};
    }
    if (EqualsIgnoreCase(wpaKind, L"WPA2PSK")) {
        return {L"AES", LoadString(kTextSecurityAes)};
    }
    if (EqualsIgnoreCase(encryptionWord, L"NONE")) {
        return {L"NONE", LoadString(kTextSecurityNone)};
    }
    if (EqualsIgnoreCase(encryptionWord, L"WEP")) {
        return {L"WEP", LoadString(kTextSecurityWep)};
    }
    if (EqualsIgnoreCase(encryptionWord, L"TKIP")) {
        return {L"TKIP", LoadString(kTextSecurityTkip)};
    }
    if (EqualsIgnoreCase(encryptionWord, L"AES")) {
        return {L"AES", LoadString(kTextSecurityAes)};
    }
    return {L"Unknown", LoadString(kTextUnknownType)};
}
