#include "platform/linux/netadmin_host_network.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/linux/capabilities.h"
#include "platform/spawn_attributes.h"

#ifndef TAMSEL_NETADMIN_PATH
#define TAMSEL_NETADMIN_PATH "/usr/libexec/tamsel/tamsel-netadmin"
#endif

namespace {

// The helper answers at once unless it waits for ARP answers (a few seconds at most) or
// the kernel (netlink gives up after 5 s).
constexpr int kGreetingTimeoutMs = 5000;
constexpr int kAnswerTimeoutMs = 30000;

std::string UserName() {
    if (const passwd* entry = getpwuid(getuid())) {
        return entry->pw_name;
    }
    return std::to_string(getuid());
}

bool InGroup(gid_t group) {
    if (getegid() == group) {
        return true;
    }
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0 && getgroups(count, groups.data()) == count) {
        for (const gid_t member : groups) {
            if (member == group) {
                return true;
            }
        }
    }
    return false;
}

// The helper may not be run: because of its group, or for another reason.
void ExplainNotPermitted(NetworkRights& rights, int error) {
    struct stat info {};
    if (stat(rights.helperPath.c_str(), &info) == 0 && !InGroup(info.st_gid)) {
        const group* entry = getgrgid(info.st_gid);
        rights.group = entry ? entry->gr_name : std::to_string(info.st_gid);
        rights.state = NetworkRights::State::kNotInGroup;
        return;
    }
    rights.state = NetworkRights::State::kHelperFailed;
    rights.reason = std::strerror(error);
}

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

}  // namespace

std::string NetAdminHelperPath() {
    // Not from the environment of a program that runs with raised rights.
    const char* overridden = secure_getenv("TAMSEL_NETADMIN");
    return overridden && *overridden ? overridden : TAMSEL_NETADMIN_PATH;
}

NetAdminHostNetwork::NetAdminHostNetwork(std::string helperPath)
    : m_helperPath(std::move(helperPath)) {}

NetAdminHostNetwork::~NetAdminHostNetwork() {
    std::lock_guard lock(m_mutex);
    StopLocked();
}

std::optional<HostAddressContext> NetAdminHostNetwork::AddTempAddress(uint32_t interfaceIndex,
                                                                      Ipv4 device, int prefixLength,
                                                                      Ipv4 candidate) {
    // Adding waits for the helper's probe of the candidate.
    if (m_waitsCancelled) {
        return std::nullopt;
    }
    NetAdminRequest request;
    request.verb = NetAdminVerb::kAdd;
    request.interfaceIndex = interfaceIndex;
    request.device = device;
    request.prefixLength = prefixLength;
    request.address = candidate;
    const NetAdminAnswer answer = Exchange(request);
    if (answer.kind != NetAdminAnswer::Kind::kOk || !answer.added ||
        answer.added->address != candidate) {
        return std::nullopt;
    }
    return HostAddressContext{interfaceIndex, candidate, answer.added->prefixLength};
}

bool NetAdminHostNetwork::RenewTempAddress(const HostAddressContext& context) {
    NetAdminRequest request;
    request.verb = NetAdminVerb::kRenew;
    request.interfaceIndex = context.interfaceIndex;
    request.address = context.address;
    return Exchange(request).kind == NetAdminAnswer::Kind::kOk;
}

bool NetAdminHostNetwork::DeleteTempAddress(const HostAddressContext& context) {
    NetAdminRequest request;
    request.verb = NetAdminVerb::kDelete;
    request.interfaceIndex = context.interfaceIndex;
    request.address = context.address;
    return Exchange(request).kind == NetAdminAnswer::Kind::kOk;
}

std::optional<std::vector<uint8_t>> NetAdminHostNetwork::SendArp(Ipv4 target, Ipv4 source,
                                                                 uint32_t interfaceIndex) {
    if (m_waitsCancelled) {
        return std::nullopt;
    }
    NetAdminRequest request;
    request.verb = NetAdminVerb::kArp;
    request.interfaceIndex = interfaceIndex;
    request.address = target;
    request.source = source;
    NetAdminAnswer answer = Exchange(request);
    if (answer.kind != NetAdminAnswer::Kind::kOk || answer.hardwareAddress.empty()) {
        return std::nullopt;
    }
    return std::move(answer.hardwareAddress);
}

void NetAdminHostNetwork::SetWaitsCancelled(bool cancelled) {
    m_waitsCancelled = cancelled;
    SetConnectCancelled(cancelled);
    if (cancelled) {
        // At once, also while a request waits: the helper stays cancelled until "resume",
        // so the signal may come before, during or after the request it is meant for.
        if (const pid_t helper = m_pid; helper > 0) {
            kill(helper, SIGUSR1);
        }
        return;
    }
    NetAdminRequest resume;
    resume.verb = NetAdminVerb::kResume;
    Exchange(resume, false);
}

bool NetAdminHostNetwork::FlushNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) {
    NetAdminRequest request;
    request.verb = NetAdminVerb::kFlush;
    request.interfaceIndex = interfaceIndex;
    request.address = neighbour;
    return Exchange(request).kind == NetAdminAnswer::Kind::kOk;
}

bool NetAdminHostNetwork::StartAnswerWatch(uint32_t seconds) {
    NetAdminRequest request;
    request.verb = NetAdminVerb::kWatch;
    request.seconds = seconds;
    return Exchange(request).kind == NetAdminAnswer::Kind::kOk;
}

std::optional<uint32_t> NetAdminHostNetwork::CountAnswers() {
    NetAdminRequest request;
    request.verb = NetAdminVerb::kCount;
    const NetAdminAnswer answer = Exchange(request, false);
    return answer.kind == NetAdminAnswer::Kind::kOk ? answer.count : std::nullopt;
}

NetworkRights NetAdminHostNetwork::Rights() {
    std::lock_guard lock(m_mutex);
    if (m_pid < 0 && !m_startTried) {
        StartLocked();
    }
    return m_rights;
}

NetAdminAnswer NetAdminHostNetwork::Exchange(const NetAdminRequest& request, bool start) {
    std::lock_guard lock(m_mutex);
    // A helper that could not start is not tried again; one that served and ended is.
    if (m_pid < 0 && start && (!m_startTried || m_rights.Granted())) {
        StartLocked();
    }
    NetAdminAnswer failed;
    if (m_pid < 0) {
        failed.reason = "the network helper is not running";
        return failed;
    }
    const std::string line = FormatRequest(request) + "\n";
    size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = send(m_socket, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            StopLocked();
            failed.reason = "the network helper ended";
            return failed;
        }
        sent += static_cast<size_t>(n);
    }
    const std::optional<std::string> answer = ReadLineLocked(kAnswerTimeoutMs);
    if (!answer) {
        StopLocked();
        failed.reason = "the network helper did not answer";
        return failed;
    }
    NetAdminAnswer parsed = ParseAnswer(*answer);
    if (parsed.kind == NetAdminAnswer::Kind::kError && IsHostFullRefusal(parsed.reason)) {
        ++m_hostFullRefusals;
    }
    return parsed;
}

void NetAdminHostNetwork::StartLocked() {
    m_startTried = true;
    m_rights = NetworkRights{};
    m_rights.state = NetworkRights::State::kHelperFailed;
    m_rights.helperPath = m_helperPath;
    m_rights.user = UserName();

    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        m_rights.reason = std::strerror(errno);
        return;
    }
    // dup2 onto the descriptor itself would leave close-on-exec set.
    int child = fds[1];
    if (child <= STDERR_FILENO) {
        child = fcntl(fds[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(fds[1]);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child, STDOUT_FILENO);
    const DefaultSignalSpawnAttributes attributes;

    // No environment: the helper needs none.
    char name[] = "tamsel-netadmin";
    char* argv[] = {name, nullptr};
    char* envp[] = {nullptr};
    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, m_helperPath.c_str(), &actions, attributes.Get(), argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    close(child);
    if (error != 0) {
        close(fds[0]);
        if (error == ENOENT) {
            m_rights.state = NetworkRights::State::kNoHelper;
            m_rights.missingCapabilities = MissingNetworkCapabilities();
        } else if (error == EACCES || error == EPERM) {
            ExplainNotPermitted(m_rights, error);
        } else {
            m_rights.reason = std::strerror(error);
        }
        return;
    }
    m_pid = pid;
    m_socket = fds[0];

    const std::optional<std::string> greeting = ReadLineLocked(kGreetingTimeoutMs);
    if (greeting && *greeting == kNetAdminGreeting) {
        m_rights.state = NetworkRights::State::kGranted;
        return;
    }
    if (greeting && greeting->starts_with(kNetAdminMissingPrefix)) {
        m_rights.state = NetworkRights::State::kHelperLacksCapabilities;
        m_rights.missingCapabilities =
            SplitWords(greeting->substr(std::strlen(kNetAdminMissingPrefix)));
    } else {
        m_rights.reason = greeting ? "it said \"" + *greeting + "\"" : "it did not start";
    }
    StopLocked();
}

void NetAdminHostNetwork::StopLocked() {
    if (m_socket >= 0) {
        // The helper removes the address it added when its input closes, then ends.
        close(m_socket);
        m_socket = -1;
    }
    if (const pid_t helper = m_pid; helper > 0) {
        m_pid = -1;
        while (waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_received.clear();
}

std::optional<std::string> NetAdminHostNetwork::ReadLineLocked(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const size_t end = m_received.find('\n'); end != std::string::npos) {
            std::string line = m_received.substr(0, end);
            m_received.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || m_received.size() > kNetAdminMaxLineLength * 4) {
            return std::nullopt;
        }
        pollfd readable{m_socket, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char buffer[256];
        const ssize_t n = recv(m_socket, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        m_received.append(buffer, static_cast<size_t>(n));
    }
}
