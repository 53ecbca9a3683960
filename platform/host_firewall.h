#pragma once

#include <string>

// The firewall front end that manages this host's packet filter, as far as files that
// every user may read tell.
enum class HostFirewall {
    kUnknown,  // neither, or both
    kUfw,
    kFirewalld,
};

// ufw when its configuration says it is enabled (ENABLED=yes in /etc/ufw/ufw.conf),
// firewalld when its daemon runs (a process named firewalld); kUnknown for neither or both.
// `root` is put before every path, for tests.
HostFirewall DetectHostFirewall(const std::string& root = std::string());
