#include "cli/privileges.h"

#include "cli/text.h"
#include "platform/ansi_text.h"
#include "platform/linux/netadmin_host_network.h"
#include "platform/linux/rtnl_host_network.h"
#include "resources/string_ids.h"

namespace {

std::wstring JoinNames(const std::vector<std::string>& names) {
    std::wstring joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? L"" : L", ") + AnsiToWide(name);
    }
    return joined;
}

}  // namespace

std::wstring DescribeMissingPrivileges(const std::wstring& program) {
    if (MissingNetworkCapabilities().empty()) {
        return std::wstring();
    }
    const NetAdminAccess access = NetAdminHostNetwork().Access();
    const std::wstring helper = AnsiToWide(access.helperPath);
    switch (access.state) {
        case NetAdminAccess::State::kReady:
            return std::wstring();
        case NetAdminAccess::State::kNotPermitted:
            return FormatString(kCliNotInHelperGroup,
                                {AnsiToWide(access.user), AnsiToWide(access.group), helper});
        case NetAdminAccess::State::kMissingCapabilities:
            return FormatString(kCliHelperLacksCapabilities,
                                {helper, JoinNames(access.missingCapabilities)});
        case NetAdminAccess::State::kNotInstalled:
            return FormatString(kCliNoHelper,
                                {program, JoinNames(MissingNetworkCapabilities()), helper});
        case NetAdminAccess::State::kBroken:
            break;
    }
    return FormatString(kCliHelperFailed, {helper, AnsiToWide(access.reason)});
}
