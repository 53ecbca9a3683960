#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <QString>

#include <string>

// Whether this process runs in the PC namespace that scripts/vlan.sh made (it names it in
// VLAN_PC_NS; `ip netns add` keeps it at /run/netns/<name>). Tests and benchmarks that
// broadcast check it first, so that they never send on a real network.
inline bool InVirtualLan() {
    const QByteArray name = qgetenv("VLAN_PC_NS");
    if (name.isEmpty() || name.contains('/')) {
        return false;
    }
    struct stat own {};
    struct stat made {};
    return stat("/proc/self/ns/net", &own) == 0 &&
           stat(("/run/netns/" + name).constData(), &made) == 0 && own.st_dev == made.st_dev &&
           own.st_ino == made.st_ino;
}

// An environment variable of the virtual LAN (VLAN_REPEATER_1_IP, ...) as a wide string.
inline std::wstring VlanValue(const std::string& name) {
    return qEnvironmentVariable(name.c_str()).toStdWString();
}
