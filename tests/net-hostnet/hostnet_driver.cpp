// Runs the real host addressing (rtnetlink, raw ARP, the rules of temporary addresses) once,
// with the program's own rights, for the namespace tests:
//
//   hostnet_driver prepare <device-ip> <mask> [--add-wait-ms N] [--lifetime S]
//                  [--renew-ms N] [--arp-wait-ms N] [--cancel-after-ms N]
//                  [--then exit|remove|hold|crash]
//   hostnet_driver caps
//
// prepare prints "result=<address, empty or unreachable>". Then:
//   exit    destroys the set-up object normally (it removes its address)
//   remove  calls RemoveTempAddress and prints "removed=<0|1>"
//   hold    prints "ready", then on the input line "remove" removes the address and
//           exits; SIGINT/SIGTERM/SIGHUP remove it through the termination clean-up
//   crash   ends the process at once, leaving the address behind
// --add-wait-ms replaces the 10 s wait after adding an address; tests only.
// --arp-wait-ms sets how long each ARP request waits for its answer.
// --cancel-after-ms cancels the set-up from another thread that long after it began.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "hostnet/host_addressing.h"
#include "hostnet/local_host_network.h"
#include "platform/linux/capabilities.h"
#include "platform/linux/termination_cleanup.h"
#include "platform/tick_clock.h"

namespace {

class ShortenedSleeper : public ISleeper {
public:
    explicit ShortenedSleeper(std::optional<uint32_t> addWaitMs) : m_addWaitMs(addWaitMs) {}
    void SleepMs(uint32_t ms) override { ThreadSleeper::Instance().SleepMs(Shortened(ms)); }
    bool SleepMsUnless(uint32_t ms, const CancelSignal& cancel) override {
        return ThreadSleeper::Instance().SleepMsUnless(Shortened(ms), cancel);
    }

private:
    uint32_t Shortened(uint32_t ms) const {
        const uint32_t kWaitAfterAddMs = 10000;
        return ms == kWaitAfterAddMs && m_addWaitMs ? *m_addWaitMs : ms;
    }

    std::optional<uint32_t> m_addWaitMs;
};

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

int Usage() {
    std::cerr << "usage: hostnet_driver prepare <ip> <mask> [--add-wait-ms N] [--lifetime S]"
                 " [--renew-ms N] [--arp-wait-ms N] [--cancel-after-ms N]"
                 " [--then exit|remove|hold|crash]\n"
                 "       hostnet_driver caps\n";
    return 2;
}

int Caps() {
    std::cout << "missing=";
    for (const std::string& name : MissingNetworkCapabilities()) {
        std::cout << name << ' ';
    }
    std::cout << std::endl;
    return 0;
}

int Prepare(int argc, char** argv) {
    if (argc < 4) {
        return Usage();
    }
    const std::string ip = argv[2];
    const std::string mask = argv[3];
    std::optional<uint32_t> addWaitMs;
    std::optional<uint32_t> cancelAfterMs;
    ArpTiming arpTiming;
    TempAddressGuardOptions guardOptions;
    HostAddressingOptions options;
    std::string then = "exit";
    for (int i = 4; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--add-wait-ms") {
            addWaitMs = static_cast<uint32_t>(std::stoul(value));
        } else if (option == "--lifetime") {
            guardOptions.lifetimeSeconds = static_cast<uint32_t>(std::stoul(value));
        } else if (option == "--renew-ms") {
            options.renewInterval = std::chrono::milliseconds(std::stoul(value));
        } else if (option == "--arp-wait-ms") {
            arpTiming.replyWaitMs = static_cast<uint32_t>(std::stoul(value));
        } else if (option == "--cancel-after-ms") {
            cancelAfterMs = static_cast<uint32_t>(std::stoul(value));
        } else if (option == "--then") {
            then = value;
        } else {
            return Usage();
        }
    }

    // Before any thread exists, so that every thread inherits the blocked signals.
    std::optional<TerminationCleanup> cleanup;
    if (then == "hold") {
        cleanup.emplace();
    }
    LocalHostNetwork network(arpTiming, guardOptions);
    ShortenedSleeper sleeper(addWaitMs);
    HostAddressing addressing(network, sleeper, options);
    if (cleanup) {
        cleanup->Add([&addressing] { addressing.RemoveTempAddress(); });
    }
    std::thread canceller;
    if (cancelAfterMs) {
        canceller = std::thread([&addressing, ms = *cancelAfterMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            addressing.CancelSetup();
        });
    }

    const auto began = std::chrono::steady_clock::now();
    const HostSetupResult result = addressing.PrepareHostAddress(
        std::wstring(ip.begin(), ip.end()), std::wstring(mask.begin(), mask.end()));
    std::cout << "result=" << (result.Reached() ? Narrow(result.BindAddress()) : "unreachable")
              << std::endl;
    std::cout << "elapsed_ms="
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - began)
                     .count()
              << std::endl;
    if (canceller.joinable()) {
        canceller.join();
    }

    if (then == "remove") {
        std::cout << "removed=" << (addressing.RemoveTempAddress() ? 1 : 0) << std::endl;
    } else if (then == "hold") {
        std::cout << "ready" << std::endl;
        std::string line;
        while (std::getline(std::cin, line) && line != "remove") {
        }
        std::cout << "removed=" << (addressing.RemoveTempAddress() ? 1 : 0) << std::endl;
    } else if (then == "crash") {
        std::fflush(nullptr);
        _exit(3);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "caps") {
        return Caps();
    }
    if (argc >= 2 && std::string(argv[1]) == "prepare") {
        return Prepare(argc, argv);
    }
    return Usage();
}
