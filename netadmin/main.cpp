// tamsel-netadmin: the network helper of tamsel and tamselctl. It alone carries
// CAP_NET_ADMIN and CAP_NET_RAW (file capabilities; only the group tamsel may run it) and
// does only the privileged steps of reaching a repeater on a foreign subnet: a temporary
// address with its route, its renewal and removal, a neighbour-cache flush and ARP; and it
// counts the repeaters whose answers to a search reach the host, so that the program can
// tell when the host's firewall dropped them. The
// program starts it for a set-up and speaks the line protocol of
// platform/linux/netadmin_protocol.h over its standard input and output; when that input
// closes, the helper removes the address it added and ends.
//
// It reads no file and no environment variable, keeps no other capability (and
// CAP_NET_RAW raised only while it sends), and decides every request by the rules of
// hostnet/temp_address_guard.h, the same the programs follow with rights of their own.

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "hostnet/temp_address_guard.h"
#include "netadmin/netadmin_service.h"
#include "platform/linux/capabilities.h"
#include "platform/linux/netadmin_protocol.h"
#include "platform/linux/packet_answer_watch.h"
#include "platform/linux/rtnl_kernel_network.h"
#include "platform/tick_clock.h"

namespace {

volatile sig_atomic_t g_terminate = 0;
// A cancel that came before the service was there is taken up when it is.
volatile sig_atomic_t g_cancelled = 0;
NetAdminService* volatile g_service = nullptr;

void OnTerminate(int) {
    g_terminate = 1;
}

// The program cancelled its set-up: the wait in progress ends within a few tens of
// milliseconds, and so does every one after it until the program resumes.
void OnCancel(int) {
    g_cancelled = 1;
    if (NetAdminService* service = g_service; service != nullptr) {
        service->Cancel();
    }
}

bool WriteLine(const std::string& text) {
    const std::string line = text + "\n";
    size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = write(STDOUT_FILENO, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR && !g_terminate) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// Reads requests until the input closes, fails or SIGTERM arrives, answering each. A
// cancel is left as it is: it holds until the program says "resume".
void Serve(NetAdminService& service) {
    std::string pending;
    bool discarding = false;  // inside a line that was too long
    char buffer[512];
    while (!g_terminate) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c != '\n') {
                if (!discarding && pending.size() <= kNetAdminMaxLineLength) {
                    pending.push_back(c);
                } else {
                    discarding = true;
                    pending.clear();
                }
                continue;
            }
            const std::string answer =
                discarding ? FormatErrorAnswer("malformed request: request too long")
                           : service.Handle(pending);
            pending.clear();
            discarding = false;
            if (!WriteLine(answer)) {
                return;
            }
        }
    }
}

void SetUpSignals() {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // A terminal's signals reach the whole process group: the program cleans up through
    // this helper first, and its end closes our input.
    signal(SIGINT, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    signal(SIGQUIT, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    struct sigaction terminate {};
    terminate.sa_handler = OnTerminate;
    sigemptyset(&terminate.sa_mask);
    sigaction(SIGTERM, &terminate, nullptr);
    struct sigaction cancel {};
    cancel.sa_handler = OnCancel;
    cancel.sa_flags = SA_RESTART;
    sigemptyset(&cancel.sa_mask);
    sigaction(SIGUSR1, &cancel, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    // Nobody reads this process's memory: no core dump, and no ptrace or /proc access by
    // the user who runs it, before anything else happens.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tamsel-netadmin %s\n", TAMSEL_VERSION);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr,
                     "usage: tamsel-netadmin\n"
                     "The network helper of tamsel and tamselctl, started by them; it reads "
                     "requests on standard input.\n");
        return 2;
    }
    SetUpSignals();
    // Descriptors the caller left open are none of our business.
    close_range(3, ~0u, 0);
    if (chdir("/") != 0) {
        return 1;
    }
    if (const std::string missing = KeepOnlyNetworkCapabilities(); !missing.empty()) {
        WriteLine(kNetAdminMissingPrefix + missing);
        return 1;
    }
    RtnlKernelNetwork kernel;
    TempAddressGuard guard(kernel, MonotonicTickClock::Instance(), ThreadSleeper::Instance());
    NetAdminService service(guard, [](std::chrono::seconds limit) {
        return std::make_unique<PacketAnswerWatch>(limit);
    });
    g_service = &service;
    if (g_cancelled) {
        service.Cancel();
    }
    if (WriteLine(kNetAdminGreeting)) {
        Serve(service);
    }
    service.Finish();
    g_service = nullptr;
    return 0;
}
