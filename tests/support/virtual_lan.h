#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <functional>
#include <initializer_list>
#include <string>

#include "platform/time_scale.h"

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

// For the initTestCase of such a test: REQUIRE_VIRTUAL_LAN, then the programs' time
// `factor` times faster unless TAMSEL_TIME_SCALE says otherwise.
#define PREPARE_VIRTUAL_LAN_TEST(factor)        \
    do {                                        \
        REQUIRE_VIRTUAL_LAN();                  \
        time_scale::SetFactor(factor);          \
        time_scale::SetFactorFromEnvironment(); \
    } while (false)

// One case of a test binary that CTest runs once per virtual LAN.
struct NetCase {
    const char* name;
    std::function<void()> run;
};

// Runs the case that TAMSEL_NET_CASE names; fails on a name none of `cases` has.
inline void RunNetCase(std::initializer_list<NetCase> cases) {
    const QString name = qEnvironmentVariable("TAMSEL_NET_CASE");
    for (const NetCase& netCase : cases) {
        if (name == QLatin1String(netCase.name)) {
            netCase.run();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no case named '%1'").arg(name)));
}

// What `program` with `arguments` writes to its standard output, once it has ended.
inline QString RunForOutput(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The temporary addresses on the PC's interfaces (label "<interface>:tmsl"), one line of
// `ip -o -4 addr show` each.
inline QStringList TempAddresses() {
    const QString addresses =
        RunForOutput(QStringLiteral("ip"), {QStringLiteral("-o"), QStringLiteral("-4"),
                                            QStringLiteral("addr"), QStringLiteral("show")});
    QStringList found;
    for (const QString& line : addresses.split('\n')) {
        if (line.contains(QStringLiteral(":tmsl"))) {
            found << line.simplified();
        }
    }
    return found;
}
