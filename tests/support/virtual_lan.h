#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <QString>
#include <QtTest>

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

// For the initTestCase of a Qt Test that sends on the network: skips unless
// scripts/vlan.sh runs it (it sets TAMSEL_NET_CASE), and fails unless it runs in the LAN's
// PC namespace.
#define REQUIRE_VIRTUAL_LAN()                                                                     \
    do {                                                                                          \
        if (qEnvironmentVariableIsEmpty("TAMSEL_NET_CASE")) {                                     \
            QSKIP("runs only inside a virtual LAN made by scripts/vlan.sh");                      \
        }                                                                                         \
        QVERIFY2(InVirtualLan(), "not inside the PC namespace of scripts/vlan.sh: no broadcast"); \
    } while (false)
