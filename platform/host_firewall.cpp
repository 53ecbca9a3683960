#include "platform/host_firewall.h"

#include <cctype>
#include <filesystem>
#include <fstream>

namespace {

// A few lines of configuration are all there is to read; anything longer is not ufw's.
constexpr size_t kMaxConfigLines = 200;

std::string Trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool UfwEnabled(const std::string& root) {
    std::ifstream config(root + "/etc/ufw/ufw.conf");
    std::string line;
    bool enabled = false;
    for (size_t count = 0; count < kMaxConfigLines && std::getline(config, line); ++count) {
        const std::string setting = Trimmed(line);
        if (setting.starts_with("ENABLED=")) {
            const std::string value = Trimmed(setting.substr(8));
            enabled = value == "yes" || value == "\"yes\"";
        }
    }
    return enabled;
}

bool FirewalldRuns(const std::string& root) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) {
            continue;
        }
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        if (std::getline(comm, command) && command == "firewalld") {
            return true;
        }
    }
    return false;
}

}  // namespace

HostFirewall HostFirewallState::InUse() const {
    if (ufwEnabled == firewalldRunning) {
        return HostFirewall::kUnknown;
    }
    return ufwEnabled ? HostFirewall::kUfw : HostFirewall::kFirewalld;
}

HostFirewallState ReadHostFirewall(const std::string& root) {
    return {UfwEnabled(root), FirewalldRuns(root)};
}
