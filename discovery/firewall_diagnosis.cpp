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

std::wstring ExplainDroppedAnswers(uint32_t repeaters, HostFirewall firewall) {
    int command = kTextAllowEither;
    if (firewall == HostFirewall::kUfw) {
        command = kTextAllowUfw;
    } else if (firewall == HostFirewall::kFirewalld) {
        command = kTextAllowFirewalld;
    }
    if (repeaters == 1) {
        return FormatString(kTextOneAnswerDropped, {LoadString(command)});
    }
    return FormatString(kTextAnswersDropped, {std::to_wstring(repeaters), LoadString(command)});
}
