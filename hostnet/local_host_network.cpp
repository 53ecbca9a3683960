#include "hostnet/local_host_network.h"

#include "platform/linux/capabilities.h"

LocalHostNetwork::LocalHostNetwork(ArpTiming arpTiming, TempAddressGuardOptions options)
    : m_kernel(arpTiming),
      m_guard(m_kernel, MonotonicTickClock::Instance(), ThreadSleeper::Instance(), options) {}

LocalHostNetwork::~LocalHostNetwork() {
    m_guard.Finish();
}

std::optional<HostAddressContext> LocalHostNetwork::AddTempAddress(uint32_t interfaceIndex,
                                                                   Ipv4 device, int prefixLength,
                                                                   Ipv4 candidate) {
    const TempAddressGuard::AddOutcome outcome =
        m_guard.Add(interfaceIndex, device, prefixLength, candidate);
    if (!Granted(outcome.refusal)) {
        return std::nullopt;
    }
    return outcome.added;
}

bool LocalHostNetwork::RenewTempAddress(const HostAddressContext& context) {
    return m_guard.Renew(context.interfaceIndex, context.address).empty();
}

bool LocalHostNetwork::DeleteTempAddress(const HostAddressContext& context) {
    return m_guard.Delete(context.interfaceIndex, context.address).empty();
}

std::optional<std::vector<uint8_t>> LocalHostNetwork::SendArp(Ipv4 target, Ipv4 source,
                                                              uint32_t interfaceIndex) {
    TempAddressGuard::ArpOutcome outcome = m_guard.Arp(interfaceIndex, target, source);
    Granted(outcome.refusal);
    return std::move(outcome.answer);
}

void LocalHostNetwork::SetWaitsCancelled(bool cancelled) {
    SetConnectCancelled(cancelled);
    if (cancelled) {
        m_guard.Cancel();
    } else {
        m_guard.Resume();
    }
}

bool LocalHostNetwork::FlushNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) {
    return Granted(m_guard.FlushNeighbour(interfaceIndex, neighbour));
}

NetworkRights LocalHostNetwork::Rights() {
    NetworkRights rights;
    rights.missingCapabilities = MissingNetworkCapabilities();
    if (!rights.missingCapabilities.empty()) {
        rights.state = NetworkRights::State::kNoHelper;
    }
    return rights;
}

bool LocalHostNetwork::Granted(const TempAddressGuard::Refusal& refusal) {
    if (IsHostFullRefusal(refusal)) {
        ++m_hostFullRefusals;
    }
    return refusal.empty();
}
