#include "platform/linux/answer_watches.h"

#include <unistd.h>

#include <chrono>

#include "platform/linux/capabilities.h"
#include "platform/linux/packet_answer_watch.h"

namespace {

// The longest search, at a /22, takes 22 s; a watch ends by itself well after it, so that
// one whose Stop never comes costs nothing for long.
constexpr uint32_t kWatchLimitSeconds = 60;

}  // namespace

NetAdminAnswerWatch::NetAdminAnswerWatch(std::string helperPath)
    : m_helper(std::move(helperPath)) {}

bool NetAdminAnswerWatch::Start() {
    m_running = m_helper.Rights().Granted() && m_helper.StartAnswerWatch(kWatchLimitSeconds);
    return m_running;
}

std::optional<uint32_t> NetAdminAnswerWatch::Stop() {
    if (!m_running) {
        return std::nullopt;
    }
    m_running = false;
    return m_helper.CountAnswers();
}

std::unique_ptr<IAnswerWatch> MakeAnswerWatch() {
    if (HasRawCapability()) {
        return std::make_unique<PacketAnswerWatch>(std::chrono::seconds(kWatchLimitSeconds));
    }
    // The helper may be run by members of its group only (mode 0750); asking the file
    // system starts nothing.
    if (access(NetAdminHelperPath().c_str(), X_OK) == 0) {
        return std::make_unique<NetAdminAnswerWatch>();
    }
    return nullptr;
}
