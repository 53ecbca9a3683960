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
    : options_(std::move(options)),
      device_(options_),
      app_(device_),
      misbehaviour_(options_.misbehaviour),
      http_(
          log_, misbehaviour_, [this](const HttpRequest& request) { return app_.Handle(request); },
          [this](AfterAnswer why) { StartReboot(why); }),
      bindAddress_(options_.bindAddress) {}

Simulator::~Simulator() {
    if (signalFd_ >= 0) {
        ::close(signalFd_);
    }
}

int64_t Simulator::NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

std::string Simulator::ListenAddress() const {
    return bindAddress_;
}

std::string Simulator::Start() {
    std::string error;
    if (!log_.Open(options_.logPath, &error)) {
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
    signalFd_ = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd_ < 0) {
        return std::string("signalfd: ") + std::strerror(errno);
    }
    // The discovery socket stays open for the whole run (also while the device is
    // "down" or ignoring searches) so that the port never changes hands.
    error = discovery_.Open(options_.discoveryPort);
    if (!error.empty()) {
        return error;
    }
    if (!misbehaviour_.refuse) {
        error = http_.Listen(ListenAddress(), options_.httpPort);
        if (!error.empty()) {
            return error;
        }
    }
    if (!options_.readyPath.empty()) {
        std::string temporary = options_.readyPath + ".tmp";
        std::ofstream(temporary) << getpid() << "\n";
        if (std::rename(temporary.c_str(), options_.readyPath.c_str()) != 0) {
            return "cannot create the ready file " + options_.readyPath;
        }
    }
    log_.Event("what=start mac=" + FormatMac(device_.mac(), false) + " ip=" +
               device_.running().lan.ip + " misbehaviour=" + DescribeMisbehaviour(misbehaviour_));
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
        fds.push_back({signalFd_, POLLIN, 0});
        fds.push_back({discovery_.fd(), POLLIN, 0});
        http_.CollectPollFds(fds);

        int64_t now = NowMs();
        int64_t wait = http_.MillisecondsToNextTimer(now);
        if (down_) {
            int64_t untilUp = std::max<int64_t>(0, upAtMs_ - now);
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
                settings.answer = !down_ && !misbehaviour_.noDiscovery;
                settings.target = options_.reply;
                settings.replyLength = options_.replyLength;
                discovery_.OnReadable(device_, settings, log_);
            }
            http_.HandlePollResults(fds, now);
        }
        http_.HandleTimers(now);
        if (down_ && now >= upAtMs_) {
            FinishReboot();
        }
    }
    log_.Event("what=exit");
    return 0;
}

bool Simulator::HandleSignals() {
    signalfd_siginfo info{};
    while (::read(signalFd_, &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGUSR1 || info.ssi_signo == SIGHUP) {
            ReloadControl();
        } else {
            return false;
        }
    }
    return true;
}

void Simulator::ReloadControl() {
    if (options_.controlPath.empty()) {
        log_.Event("what=control error=no-control-file");
        return;
    }
    std::ifstream file(options_.controlPath);
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    auto parsed = file ? ParseControlText(text.str(), &error) : std::nullopt;
    if (!parsed) {
        if (error.empty()) {
            error = "cannot read " + options_.controlPath;
        }
        std::cerr << "tamsel-sim: control file: " << error << "\n";
        log_.Event("what=control error=" + LogValue(error));
        return;
    }
    misbehaviour_ = *parsed;
    UpdateListener();
    log_.Event("what=control misbehaviour=" + DescribeMisbehaviour(misbehaviour_));
}

void Simulator::UpdateListener() {
    const bool wanted = !down_ && !misbehaviour_.refuse;
    if (wanted && !http_.listening()) {
        std::string error = http_.Listen(ListenAddress(), options_.httpPort);
        if (!error.empty()) {
            std::cerr << "tamsel-sim: " << error << "\n";
            log_.Event("what=listen error=" + LogValue(error));
        }
    } else if (!wanted && http_.listening()) {
        http_.StopListening();
    }
}

void Simulator::StartReboot(AfterAnswer why) {
    const int seconds =
        why == AfterAnswer::kUpgrade ? options_.upgradeSeconds : options_.rebootSeconds;
    down_ = true;
    upAtMs_ = NowMs() + int64_t{seconds} * 1000;
    http_.StopListening();
    http_.DropUnansweredConnections();
    log_.Event(std::string("what=down reason=") +
               (why == AfterAnswer::kUpgrade ? "upgrade" : "reboot") +
               " seconds=" + std::to_string(seconds));
}

void Simulator::FinishReboot() {
    const LanSettings before = device_.running().lan;
    device_.Boot();
    const LanSettings& after = device_.running().lan;
    std::string applied = "unchanged";
    if (before.ip != after.ip || before.mask != after.mask) {
        // A listener bound to the old address follows the device to its new one.
        if (bindAddress_ == before.ip) {
            bindAddress_ = after.ip;
        }
        if (options_.interfaceName.empty()) {
            applied = "not-managed";
        } else {
            std::string error = SetInterfaceAddress(options_.interfaceName, after.ip, after.mask);
            if (error.empty()) {
                applied = "yes";
            } else {
                std::cerr << "tamsel-sim: " << error << "\n";
                applied = "error:" + LogValue(error);
            }
        }
    }
    down_ = false;
    UpdateListener();
    log_.Event("what=up ip=" + after.ip + " mask=" + after.mask +
               " dhcp=" + (after.dhcpServer ? "on" : "off") + " address-change=" + applied +
               " firmware=" + LogValue(device_.firmwareVersion()));
}
