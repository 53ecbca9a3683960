#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "hostnet/temp_address_guard.h"
#include "platform/answer_watch.h"

// The network helper's side of the line protocol (platform/linux/netadmin_protocol.h):
// each request line is parsed and carried out by the rules of one TempAddressGuard, the
// program's run. Everything the rules refuse is answered "error REASON" and changes
// nothing.
class NetAdminService {
public:
    // A watch of the answers to a search that ends by itself after the time given.
    using MakeWatch = std::function<std::unique_ptr<IAnswerWatch>(std::chrono::seconds limit)>;

    explicit NetAdminService(TempAddressGuard& guard, MakeWatch makeWatch = {})
        : m_guard(guard), m_makeWatch(std::move(makeWatch)) {}

    // The answer line (without newline) to one request line.
    std::string Handle(const std::string& line);

    // SIGUSR1: the program cancelled. Holds until a "resume" request; lock-free, so the
    // signal handler calls it.
    void Cancel() { m_guard.Cancel(); }

    // The program is gone: removes the address it added, if it is still there, and ends
    // a watch.
    void Finish() {
        m_watch.reset();
        m_guard.Finish();
    }

private:
    std::string StartWatch(uint32_t seconds);
    std::string CountWatch();

    TempAddressGuard& m_guard;
    MakeWatch m_makeWatch;
    // One watch at a time; a new one replaces it.
    std::unique_ptr<IAnswerWatch> m_watch;
};
