#include "discovery/search_scope.h"

#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

bool HasBroadcast(const AdapterInfo& adapter) {
    return adapter.type == AdapterType::kEthernet || adapter.type == AdapterType::kIeee80211;
}

}  // namespace

SearchScope DescribeBroadcastScope(const std::vector<AdapterInfo>& adapters) {
    SearchScope scope;
    for (const AdapterInfo& adapter : adapters) {
        if (!adapter.operational || !HasBroadcast(adapter) || adapter.addresses.empty()) {
            continue;
        }
        scope.interfaces.push_back(adapter.name);
        for (const AdapterAddress& address : adapter.addresses) {
            if (!IsTempAddressLabel(address.label) && PrivateNetworkPrefix(address.address)) {
                scope.privateLanAddress = true;
            }
        }
    }
    return scope;
}

SearchScope DescribeBroadcastScope(IHostNetwork& host) {
    const std::optional<std::vector<AdapterInfo>> adapters = host.GetAdapters();
    return adapters ? DescribeBroadcastScope(*adapters) : SearchScope{};
}

std::wstring ExplainNothingFound(const SearchScope& scope, const std::wstring& addressSearchHint) {
    if (scope.interfaces.empty()) {
        return LoadString(kTextSearchedNowhere);
    }
    std::wstring names;
    for (const std::string& name : scope.interfaces) {
        names += (names.empty() ? L"" : L", ") + AnsiToWide(name);
    }
    std::wstring line = FormatString(kTextSearchedOn, {names});
    if (!scope.privateLanAddress) {
        line += L" " + FormatString(kTextNoPrivateLan, {addressSearchHint});
    }
    return line;
}

std::wstring ExplainNothingFoundAt(const SearchTarget& target) {
    return FormatString(kTextNothingAtTarget, {target.Text()});
}
