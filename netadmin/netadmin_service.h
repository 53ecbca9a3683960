#pragma once

#include <string>

#include "hostnet/temp_address_guard.h"

// The network helper's side of the line protocol (platform/linux/netadmin_protocol.h):
// each request line is parsed and carried out by the rules of one TempAddressGuard, the
// program's run. Everything the rules refuse is answered "error REASON" and changes
// nothing.
class NetAdminService {
public:
    explicit NetAdminService(TempAddressGuard& guard) : m_guard(guard) {}

    // The answer line (without newline) to one request line.
    std::string Handle(const std::string& line);

    // SIGUSR1: the program cancelled. Holds until a "resume" request; lock-free, so the
    // signal handler calls it.
    void Cancel() { m_guard.Cancel(); }

    // The program is gone: removes the address it added, if it is still there.
    void Finish() { m_guard.Finish(); }

private:
    TempAddressGuard& m_guard;
};
