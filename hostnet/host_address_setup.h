#pragma once

#include <optional>
#include <string>
#include <utility>

#include "hostnet/host_setup_failure.h"
#include "platform/host_network.h"

// What a set-up gives: the local address the web socket binds to, or that the PC cannot be
// made to reach the device, with the reason when the user can act on it.
class HostSetupResult {
public:
    // Reached; the system chooses the local address.
    static HostSetupResult AnyAddress() { return HostSetupResult(true, {}, {}); }
    // Reached from `address` (dotted IPv4), to which the socket must be bound.
    static HostSetupResult BindTo(std::wstring address) {
        return HostSetupResult(true, std::move(address), {});
    }
    static HostSetupResult Unreachable(HostSetupFailure failure = {}) {
        return HostSetupResult(false, {}, std::move(failure));
    }

    bool Reached() const { return m_reached; }
    // Empty: any local address (and nothing to bind to when the device is unreachable).
    const std::wstring& BindAddress() const { return m_bindAddress; }
    // Why the device is unreachable; Known() only when the user can act on it.
    const HostSetupFailure& Failure() const { return m_failure; }

    bool operator==(const HostSetupResult&) const = default;

private:
    HostSetupResult(bool reached, std::wstring bindAddress, HostSetupFailure failure)
        : m_reached(reached),
          m_bindAddress(std::move(bindAddress)),
          m_failure(std::move(failure)) {}

    bool m_reached;
    std::wstring m_bindAddress;
    HostSetupFailure m_failure;
};

// What the web command queue needs from host addressing: before the first command of a
// burst, make sure the PC can reach the device, and later remove what was added.
//
// Stopping is cancel, then wait for the set-up's thread, then RemoveTempAddress: the
// cancel makes a set-up that runs, or one that is about to start, give up within a
// moment instead of sitting out its waits (10 s after adding an address, seconds of ARP).
class IHostAddressSetup {
public:
    virtual ~IHostAddressSetup() = default;

    // Runs on the address set-up worker thread.
    virtual HostSetupResult PrepareHostAddress(const std::wstring& deviceIp,
                                               const std::wstring& deviceMask) = 0;

    // Makes the set-up that runs now, or the next one to start, end soon as
    // unreachable without adding another address; an address it added already stays until
    // RemoveTempAddress. Holds until that set-up has ended, or until the next
    // RemoveTempAddress when none runs. Any thread; returns at once.
    virtual void CancelSetup() = 0;

    // Removes the temporary address if one is present, then waits 500 ms. Called on the
    // user-interface thread when the web manager stops; safe while a set-up runs, which
    // it cancels. Returns true when an address was removed.
    virtual bool RemoveTempAddress() = 0;

    // The temporary address that the last set-up added and that is kept (renewed) until
    // RemoveTempAddress; nullopt when there is none.
    virtual std::optional<HostAddressContext> TempAddress() const { return std::nullopt; }
};

// The set-up for a PC that needs no help to reach the device: always "no binding".
class NoHostAddressSetup : public IHostAddressSetup {
public:
    HostSetupResult PrepareHostAddress(const std::wstring&, const std::wstring&) override {
        return HostSetupResult::AnyAddress();
    }
    void CancelSetup() override {}
    bool RemoveTempAddress() override { return false; }
};
