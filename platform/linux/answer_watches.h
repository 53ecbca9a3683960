#pragma once

#include <memory>
#include <string>

#include "platform/answer_watch.h"
#include "platform/linux/netadmin_host_network.h"

// The answer watch through the network helper, for a program without CAP_NET_RAW whose
// user may run the helper: one helper process, started at the first watch and kept for
// the next ones. A helper that cannot serve is not asked again.
class NetAdminAnswerWatch : public IAnswerWatch {
public:
    explicit NetAdminAnswerWatch(std::string helperPath = NetAdminHelperPath());

    bool Start() override;
    std::optional<uint32_t> Stop() override;

private:
    NetAdminHostNetwork m_helper;
    bool m_running = false;
};

// The answer watch the programs use: on a packet socket of their own when they may open
// one (CAP_NET_RAW, as root); else through the network helper when the user may run it (a
// member of its group); else none (nullptr). Without either a search is not watched, and
// no helper is started for it.
std::unique_ptr<IAnswerWatch> MakeAnswerWatch();
