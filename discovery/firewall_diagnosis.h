#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/answer_watch.h"
#include "platform/host_firewall.h"
#include "platform/ipv4.h"

// Tells when this PC's firewall dropped the answers to a search. While the search runs, the
// answer watch counts the repeaters whose answers reached the PC's network adapters, and
// the discovery socket reports those whose answers reached it. More of the first than of
// the second were dropped on the way between, which on a PC is its firewall's input
// filter: one that lets in only answers to what the PC sent drops every answer to a
// broadcast, as none comes from the address that was asked.
//
// Without a watch (no rights to one) it does nothing and always says nothing was dropped.
class FirewallDiagnosis {
public:
    explicit FirewallDiagnosis(std::unique_ptr<IAnswerWatch> watch);

    // A search begins; the watch starts unless it runs already (searches queued back to
    // back are watched as one).
    void SearchStarted();
    // An answer-sized datagram reached the discovery socket from `sender`.
    void AnswerReceived(Ipv4 sender);
    // The searches have ended: how many repeaters' answers were dropped (0 when none were,
    // or when the watch could not run).
    uint32_t SearchEnded();
    // Whether the watch runs for the searches under way: their answers are counted.
    bool Watching() const { return m_watching; }

private:
    std::unique_ptr<IAnswerWatch> m_watch;
    bool m_watching = false;
    std::unordered_set<Ipv4> m_received;
};

// The line that says `repeaters` repeaters answered and that this computer's firewall
// dropped their answers, with the command that lets them in: that of `firewall`, or
// both package profiles' commands when it is not known.
std::wstring ExplainDroppedAnswers(uint32_t repeaters, HostFirewall firewall);

// The line for a broadcast search that found nothing while nobody counted the answers:
// the active firewall front end as the likely cause (an answer by broadcast comes from no
// address the PC asked, so a stateful filter drops it), with the command that lets the
// answers in. Empty when neither ufw is enabled nor firewalld runs.
std::wstring ExplainLikelyFirewall(const HostFirewallState& firewall);
