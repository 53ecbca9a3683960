#pragma once

#include <optional>
#include <string>

#include "hostnet/host_setup_failure.h"
#include "platform/host_network.h"

// What a set-up returns when the PC cannot be made to reach the device.
inline constexpr wchar_t kHostSetupFailed[] = L"ERROR";

// What the web command queue needs from host addressing: before the first command of a
// burst, make sure the PC can reach the device, and later remove what was added.
//
// Stopping is cancel, then wait for the set-up's thread, then RemoveTempAddress: the
// cancel makes a set-up that runs, or one that is about to start, give up within a
// moment instead of sitting out its waits (10 s after adding an address, seconds of ARP).
class IHostAddressSetup {
public:
    virtual ~IHostAddressSetup() = default;

    // Runs on the address set-up worker thread. Returns the local address the web socket
    // must be bound to: empty (no binding needed), a dotted IPv4 address, or "ERROR".
    virtual std::wstring PrepareHostAddress(const std::wstring& deviceIp,
                                            const std::wstring& deviceMask) = 0;

    // Makes the set-up that runs now, or the next one to start, end soon with "ERROR"
    // without adding another address; an address it added already stays until
    // RemoveTempAddress. Holds until that set-up has ended, or until the next
    // RemoveTempAddress when none runs. Any thread; returns at once.
    virtual void CancelSetup() = 0;

    // Removes the temporary address if one is present, then waits 500 ms. Called on the
    // user-interface thread when the web manager stops; safe while a set-up runs, which
    // it cancels. Returns true when an address was removed.
    virtual bool RemoveTempAddress() = 0;

    // Why the last set-up that returned "ERROR" failed, when the reason is one the user can
    // act on (missing rights, a device the rules refuse); read right after that set-up.
    virtual HostSetupFailure LastFailure() const { return {}; }

    // The temporary address that the last set-up added and that is kept (renewed) until
    // RemoveTempAddress; nullopt when there is none.
    virtual std::optional<HostAddressContext> TempAddress() const { return std::nullopt; }
};

// The set-up for a PC that needs no help to reach the device: always "no binding".
class NoHostAddressSetup : public IHostAddressSetup {
public:
    std::wstring PrepareHostAddress(const std::wstring&, const std::wstring&) override {
        return std::wstring();
    }
    void CancelSetup() override {}
    bool RemoveTempAddress() override { return false; }
};
