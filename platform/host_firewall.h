#pragma once

#include <string>

// The firewall front end that manages this host's packet filter, as far as files that
// every user may read tell.
enum class HostFirewall {
    kUnknown,  // neither, or both
    kUfw,
    kFirewalld,
};

// Which firewall front ends are active, from files that every user may read: ufw when its
// configuration says it is enabled (ENABLED=yes in /etc/ufw/ufw.conf), firewalld when its
// daemon runs (a process named firewalld in /proc).
struct HostFirewallState {
    bool ufwEnabled = false;
    bool firewalldRunning = false;

    bool Any() const { return ufwEnabled || firewalldRunning; }
    // The one front end in use; kUnknown for neither or both.
    HostFirewall InUse() const;
};

// `root` is put before every path, for tests.
HostFirewallState ReadHostFirewall(const std::string& root = std::string());
