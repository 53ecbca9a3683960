#include "platform/url_opener.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

std::string DeviceWebUrl(Ipv4 device) {
    std::string url = "http://";
    url.append(FormatIpv4Ascii(device));
    url.push_back('/');
    return url;
}

bool DesktopPresent() {
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

int OpenWithDesktop(const std::string& url) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // tamselctl takes its termination signals through its event loop with them blocked;
    // the opener gets them as usual.
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string program = "xdg-open";
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : -1;
}

bool ReapOpener(int pid) {
    if (pid <= 0) {
        return true;
    }
    // 0: it still runs; the pid (collected) or -1 (not ours any more) both mean done.
    return waitpid(pid, nullptr, WNOHANG) != 0;
}
