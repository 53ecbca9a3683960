#include "platform/linux/capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>

namespace {

using CapabilitySets = std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3>;

bool ReadSets(CapabilitySets& sets) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, sets.data()) == 0;
}

bool WriteSets(CapabilitySets& sets) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, sets.data()) == 0;
}

bool Has(const CapabilitySets& sets, int capability, uint32_t __user_cap_data_struct::*set) {
    return (sets[capability / 32].*set & (1u << (capability % 32))) != 0;
}

void SetEffective(CapabilitySets& sets, int capability, bool on) {
    const uint32_t bit = 1u << (capability % 32);
    uint32_t& effective = sets[capability / 32].effective;
    effective = on ? (effective | bit) : (effective & ~bit);
}

}  // namespace

std::vector<std::string> MissingNetworkCapabilities() {
    CapabilitySets sets{};
    if (!ReadSets(sets)) {
        return {"cap_net_admin", "cap_net_raw"};
    }
    std::vector<std::string> missing;
    if (!Has(sets, CAP_NET_ADMIN, &__user_cap_data_struct::effective)) {
        missing.push_back("cap_net_admin");
    }
    // Permitted is enough for raw sockets: they raise it while they send.
    if (!Has(sets, CAP_NET_RAW, &__user_cap_data_struct::permitted)) {
        missing.push_back("cap_net_raw");
    }
    return missing;
}

bool HasRawCapability() {
    CapabilitySets sets{};
    return ReadSets(sets) && Has(sets, CAP_NET_RAW, &__user_cap_data_struct::permitted);
}

RaisedRawCapability::RaisedRawCapability() {
    CapabilitySets sets{};
    if (!ReadSets(sets) || Has(sets, CAP_NET_RAW, &__user_cap_data_struct::effective) ||
        !Has(sets, CAP_NET_RAW, &__user_cap_data_struct::permitted)) {
        return;
    }
    SetEffective(sets, CAP_NET_RAW, true);
    m_raised = WriteSets(sets);
}

RaisedRawCapability::~RaisedRawCapability() {
    if (m_raised) {
        LowerRawCapability();
    }
}

bool LowerRawCapability() {
    CapabilitySets sets{};
    if (!ReadSets(sets)) {
        return false;
    }
    SetEffective(sets, CAP_NET_RAW, false);
    return WriteSets(sets);
}

std::string KeepOnlyNetworkCapabilities() {
    // Nothing exec'd from here could gain privileges (nothing is, but say so).
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);

    CapabilitySets sets{};
    if (!ReadSets(sets)) {
        return "cap_net_admin cap_net_raw";
    }
    if (Has(sets, CAP_SETPCAP, &__user_cap_data_struct::effective)) {
        for (int capability = 0; capability <= CAP_LAST_CAP; ++capability) {
            if (capability != CAP_NET_ADMIN && capability != CAP_NET_RAW) {
                prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
            }
        }
    }
    CapabilitySets kept{};
    std::string missing;
    for (const auto& [capability, name] :
         {std::pair{CAP_NET_ADMIN, "cap_net_admin"}, std::pair{CAP_NET_RAW, "cap_net_raw"}}) {
        if (Has(sets, capability, &__user_cap_data_struct::permitted)) {
            kept[capability / 32].permitted |= 1u << (capability % 32);
            if (capability == CAP_NET_ADMIN) {
                kept[capability / 32].effective |= 1u << (capability % 32);
            }
        } else {
            if (!missing.empty()) {
                missing += ' ';
            }
            missing += name;
        }
    }
    if (!WriteSets(kept) && missing.empty()) {
        return "cap_net_admin cap_net_raw";
    }
    return missing;
}
