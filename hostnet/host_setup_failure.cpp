#include "hostnet/host_setup_failure.h"

#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

std::wstring JoinNames(const std::vector<std::string>& names) {
    std::wstring joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? L"" : L", ") + AnsiToWide(name);
    }
    return joined;
}

}  // namespace

HostSetupFailure MissingRightsFailure(const NetworkRights& rights) {
    using State = NetworkRights::State;
    const std::wstring helper = AnsiToWide(rights.helperPath);
    switch (rights.state) {
        case State::kGranted:
            return {};
        case State::kNotInGroup:
            return {HostSetupFailure::Kind::kNotInGroup,
                    FormatString(kCliNotInHelperGroup,
                                 {AnsiToWide(rights.user), AnsiToWide(rights.group), helper})};
        case State::kHelperLacksCapabilities:
            return {HostSetupFailure::Kind::kNoRights,
                    FormatString(kCliHelperLacksCapabilities,
                                 {helper, JoinNames(rights.missingCapabilities)})};
        case State::kNoHelper:
            return {HostSetupFailure::Kind::kNoRights,
                    FormatString(kCliNoHelper, {JoinNames(rights.missingCapabilities), helper})};
        case State::kHelperFailed:
            break;
    }
    return {HostSetupFailure::Kind::kNoRights,
            FormatString(kCliHelperFailed, {helper, AnsiToWide(rights.reason)})};
}

HostSetupFailure DeviceRefusedFailure(Ipv4 device, Ipv4 mask, const std::string& reason) {
    return {HostSetupFailure::Kind::kDeviceRefused,
            FormatString(kCliDeviceRefused,
                         {FormatIpv4(device), FormatIpv4(mask), AnsiToWide(reason)})};
}

HostSetupFailure HostFullFailure(Ipv4 device) {
    return {HostSetupFailure::Kind::kHostFull, FormatString(kCliHostFull, {FormatIpv4(device)})};
}

int HostSetupFailureMessage(const HostSetupFailure& failure) {
    switch (failure.kind) {
        case HostSetupFailure::Kind::kDeviceRefused:
            return kMsgTempAddressRefused;
        case HostSetupFailure::Kind::kNotInGroup:
            return kMsgJoinGroup;
        case HostSetupFailure::Kind::kNoRights:
            return kMsgHelperUnusable;
        case HostSetupFailure::Kind::kHostFull:
        case HostSetupFailure::Kind::kNone:
            break;
    }
    return kMsgRepeaterTimeout;
}
