#include "discovery/firewall_diagnosis.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

FirewallDiagnosis::FirewallDiagnosis(std::unique_ptr<IAnswerWatch> watch)
    : m_watch(std::move(watch)) {}

void FirewallDiagnosis::SearchStarted() {
    if (!m_watch || m_watching) {
        return;
    }
    m_received.clear();
    m_watching = m_watch->Start();
}

void FirewallDiagnosis::AnswerReceived(Ipv4 sender) {
    if (m_watching && m_received.size() < kMaxWatchedSenders) {
        m_received.insert(sender);
    }
}

uint32_t FirewallDiagnosis::SearchEnded() {
    if (!m_watching) {
        return 0;
    }
    m_watching = false;
    const std::optional<uint32_t> arrived = m_watch->Stop();
    const auto received = static_cast<uint32_t>(m_received.size());
    m_received.clear();
    return arrived && *arrived > received ? *arrived - received : 0;
}

namespace {

// The command that lets the answers in through `firewall`; both when it is not known.
std::wstring AllowCommand(HostFirewall firewall) {
    if (firewall == HostFirewall::kUfw) {
        return LoadString(kTextAllowUfw);
    }
    if (firewall == HostFirewall::kFirewalld) {
        return LoadString(kTextAllowFirewalld);
    }
    return LoadString(kTextAllowEither);
}

}  // namespace

std::wstring ExplainDroppedAnswers(uint32_t repeaters, HostFirewall firewall) {
    if (repeaters == 1) {
        return FormatString(kTextOneAnswerDropped, {AllowCommand(firewall)});
    }
    return FormatString(kTextAnswersDropped, {std::to_wstring(repeaters), AllowCommand(firewall)});
}

std::wstring ExplainLikelyFirewall(const HostFirewallState& firewall) {
    if (!firewall.Any()) {
        return std::wstring();
    }
    const HostFirewall inUse = firewall.InUse();
    if (inUse == HostFirewall::kUnknown) {  // both
        return FormatString(kTextLikelyFirewalls, {AllowCommand(inUse)});
    }
    return FormatString(kTextLikelyFirewall,
                        {inUse == HostFirewall::kUfw ? L"ufw" : L"firewalld", AllowCommand(inUse)});
}
