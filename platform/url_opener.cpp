#include "platform/url_opener.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/spawn_attributes.h"

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
    const DefaultSignalSpawnAttributes attributes;
    std::string program = "xdg-open";
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, program.c_str(), nullptr, attributes.Get(), argv, environ);
    return error == 0 ? pid : -1;
}

bool ReapOpener(int pid) {
    if (pid <= 0) {
        return true;
    }
    // 0: it still runs; the pid (collected) or -1 (not ours any more) both mean done.
    return waitpid(pid, nullptr, WNOHANG) != 0;
}
