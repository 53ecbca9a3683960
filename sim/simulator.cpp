#include "sim/simulator.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

#include "sim/interface_address.h"

Simulator::Simulator(SimOptions options)
    : m_options(std::move(options)),
      m_device(m_options),
      m_app(m_device, m_misbehaviour),
      m_misbehaviour(m_options.misbehaviour),
      m_http(
          m_log, m_misbehaviour,
          [this](const HttpRequest& request) { return m_app.Handle(request); },
          [this](AfterAnswer why) { StartReboot(why); }),
      m_bindAddress(m_options.bindAddress) {}

Simulator::~Simulator() {
    if (m_signalFd >= 0) {
        ::close(m_signalFd);
    }
}

int64_t Simulator::NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

std::string Simulator::ListenAddress() const {
    return m_bindAddress;
}

std::string Simulator::Start() {
    std::string error;
    if (!m_log.Open(m_options.logPath, &error)) {
        return error;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGUSR1);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    m_signalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_signalFd < 0) {
        return std::string("signalfd: ") + std::strerror(errno);
    }
    // The discovery socket stays open for the whole run (also while the device is
    // "down" or ignoring searches) so that the port never changes hands.
    error = m_discovery.Open(m_options.discoveryPort);
    if (!error.empty()) {
        return error;
    }
    if (!m_misbehaviour.refuse) {
        error = m_http.Listen(ListenAddress(), m_options.httpPort);
        if (!error.empty()) {
            return error;
        }
    }
    if (!m_options.readyPath.empty()) {
        std::string temporary = m_options.readyPath + ".tmp";
        std::ofstream(temporary) << getpid() << "\n";
        if (std::rename(temporary.c_str(), m_options.readyPath.c_str()) != 0) {
            return "cannot create the ready file " + m_options.readyPath;
        }
    }
    m_log.Event("what=start mac=" + FormatMac(m_device.mac(), false) +
                " ip=" + m_device.running().lan.ip +
                " misbehaviour=" + DescribeMisbehaviour(m_misbehaviour));
    return {};
}

int Simulator::Run() {
    std::string error = Start();
    if (!error.empty()) {
        std::cerr << "tamsel-sim: " << error << "\n";
        return 1;
    }
    while (true) {
        std::vector<pollfd> fds;
        fds.push_back({m_signalFd, POLLIN, 0});
        fds.push_back({m_discovery.fd(), POLLIN, 0});
        m_http.CollectPollFds(fds);

        int64_t now = NowMs();
        int64_t wait = m_http.MillisecondsToNextTimer(now);
        if (m_down) {
            int64_t untilUp = std::max<int64_t>(0, m_upAtMs - now);
            wait = wait < 0 ? untilUp : std::min(wait, untilUp);
        }
        int ready = ::poll(fds.data(), fds.size(), wait < 0 ? -1 : static_cast<int>(wait));
        if (ready < 0 && errno != EINTR) {
            std::cerr << "tamsel-sim: poll: " << std::strerror(errno) << "\n";
            return 1;
        }
        now = NowMs();
        if (ready > 0) {
            if ((fds[0].revents & POLLIN) && !HandleSignals()) {
                break;
            }
            if (fds[1].revents & POLLIN) {
                DiscoveryResponder::Settings settings;
                settings.answer = !m_down && !m_misbehaviour.noDiscovery;
                settings.target = m_options.reply;
                settings.replyLength = m_options.replyLength;
                settings.badDatagrams = m_misbehaviour.badDatagrams;
                m_discovery.OnReadable(m_device, settings, m_log);
            }
            m_http.HandlePollResults(fds, now);
        }
        m_http.HandleTimers(now);
        if (m_down && now >= m_upAtMs) {
            FinishReboot();
        }
    }
    m_log.Event("what=exit");
    return 0;
}

bool Simulator::HandleSignals() {
    signalfd_siginfo info{};
    while (::read(m_signalFd, &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGUSR1 || info.ssi_signo == SIGHUP) {
            ReloadControl();
        } else {
            return false;
        }
    }
    return true;
}

void Simulator::ReloadControl() {
    if (m_options.controlPath.empty()) {
        m_log.Event("what=control error=no-control-file");
        return;
    }
    std::ifstream file(m_options.controlPath);
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    auto parsed = file ? ParseControlText(text.str(), &error) : std::nullopt;
    if (!parsed) {
        if (error.empty()) {
            error = "cannot read " + m_options.controlPath;
        }
        std::cerr << "tamsel-sim: control file: " << error << "\n";
        m_log.Event("what=control error=" + LogValue(error));
        return;
    }
    m_misbehaviour = *parsed;
    m_device.SetEscapeValues(m_misbehaviour.escapeValues);
    UpdateListener();
    m_log.Event("what=control misbehaviour=" + DescribeMisbehaviour(m_misbehaviour));
}

void Simulator::UpdateListener() {
    const bool wanted = !m_down && !m_misbehaviour.refuse;
    if (wanted && !m_http.listening()) {
        std::string error = m_http.Listen(ListenAddress(), m_options.httpPort);
        if (!error.empty()) {
            std::cerr << "tamsel-sim: " << error << "\n";
            m_log.Event("what=listen error=" + LogValue(error));
        }
    } else if (!wanted && m_http.listening()) {
        m_http.StopListening();
    }
}

void Simulator::StartReboot(AfterAnswer why) {
    const int seconds =
        why == AfterAnswer::kUpgrade ? m_options.upgradeSeconds : m_options.rebootSeconds;
    m_down = true;
    m_upAtMs = NowMs() + int64_t{seconds} * 1000;
    m_http.StopListening();
    m_http.DropUnansweredConnections();
    m_log.Event(std::string("what=down reason=") +
                (why == AfterAnswer::kUpgrade ? "upgrade" : "reboot") +
                " seconds=" + std::to_string(seconds));
}

void Simulator::FinishReboot() {
    const LanSettings before = m_device.running().lan;
    m_device.Boot();
    const LanSettings& after = m_device.running().lan;
    std::string applied = "unchanged";
    if (before.ip != after.ip || before.mask != after.mask) {
        // A listener bound to the old address follows the device to its new one.
        if (m_bindAddress == before.ip) {
            m_bindAddress = after.ip;
        }
        if (m_options.interfaceName.empty()) {
            applied = "not-managed";
        } else {
            std::string error = SetInterfaceAddress(m_options.interfaceName, after.ip, after.mask);
            if (error.empty()) {
                applied = "yes";
            } else {
                std::cerr << "tamsel-sim: " << error << "\n";
                applied = "error:" + LogValue(error);
            }
        }
    }
    m_down = false;
    UpdateListener();
    m_log.Event("what=up ip=" + after.ip + " mask=" + after.mask +
                " dhcp=" + (after.dhcpServer ? "on" : "off") + " address-change=" + applied +
                " firmware=" + LogValue(m_device.firmwareVersion()));
}
