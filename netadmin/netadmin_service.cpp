#include "netadmin/netadmin_service.h"

#include <variant>

#include "platform/linux/netadmin_protocol.h"

namespace {

std::string Answer(const TempAddressGuard::Refusal& refusal) {
    return refusal.empty() ? FormatOkAnswer() : FormatErrorAnswer(refusal);
}

}  // namespace

std::string NetAdminService::Handle(const std::string& line) {
    const std::variant<NetAdminRequest, std::string> parsed = ParseRequest(line);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return FormatErrorAnswer("malformed request: " + *why);
    }
    const NetAdminRequest& request = std::get<NetAdminRequest>(parsed);
    switch (request.verb) {
        case NetAdminVerb::kAdd: {
            const TempAddressGuard::AddOutcome outcome = m_guard.Add(
                request.interfaceIndex, request.device, request.prefixLength, request.address);
            return outcome.refusal.empty() ? FormatAddedAnswer(outcome.added)
                                           : FormatErrorAnswer(outcome.refusal);
        }
        case NetAdminVerb::kRenew:
            return Answer(m_guard.Renew(request.interfaceIndex, request.address));
        case NetAdminVerb::kDelete:
            return Answer(m_guard.Delete(request.interfaceIndex, request.address));
        case NetAdminVerb::kFlush:
            return Answer(m_guard.FlushNeighbour(request.interfaceIndex, request.address));
        case NetAdminVerb::kArp: {
            const TempAddressGuard::ArpOutcome outcome =
                m_guard.Arp(request.interfaceIndex, request.address, request.source);
            if (!outcome.refusal.empty()) {
                return FormatErrorAnswer(outcome.refusal);
            }
            return outcome.answer ? FormatOkAnswer(*outcome.answer)
                                  : std::string(kNetAdminNoneAnswer);
        }
        case NetAdminVerb::kResume:
            m_guard.Resume();
            return FormatOkAnswer();
        case NetAdminVerb::kWatch:
            return StartWatch(request.seconds);
        case NetAdminVerb::kCount:
            return CountWatch();
    }
    return FormatErrorAnswer("unknown request");
}

// The watch only counts, its time is bounded (ParseRequest takes at most
// kNetAdminMaxWatchSeconds) and so is its memory (kMaxWatchedSenders); nothing of an answer
// but the number of senders leaves the helper.
std::string NetAdminService::StartWatch(uint32_t seconds) {
    m_watch.reset();
    if (!m_makeWatch) {
        return FormatErrorAnswer("this helper cannot watch");
    }
    std::unique_ptr<IAnswerWatch> watch = m_makeWatch(std::chrono::seconds(seconds));
    if (!watch || !watch->Start()) {
        return FormatErrorAnswer("could not open a packet socket");
    }
    m_watch = std::move(watch);
    return FormatOkAnswer();
}

std::string NetAdminService::CountWatch() {
    if (!m_watch) {
        return FormatErrorAnswer("no watch runs");
    }
    const std::optional<uint32_t> count = m_watch->Stop();
    m_watch.reset();
    return count ? FormatCountAnswer(*count) : FormatErrorAnswer("the watch did not run");
}
