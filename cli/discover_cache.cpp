#include "cli/discover_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "cli/command_line.h"
#include "platform/ansi_text.h"
#include "platform/xdg_paths.h"

std::string DiscoverCachePath() {
    const std::string directory = XdgBaseDirectory("XDG_CACHE_HOME", ".cache");
    return directory.empty() ? std::string() : directory + "/tamsel/discovered";
}

void RememberDiscovered(const std::vector<FoundDevice>& devices) {
    const std::string path = DiscoverCachePath();
    if (path.empty()) {
        return;
    }
    const std::string directory = path.substr(0, path.rfind('/'));
    mkdir(directory.substr(0, directory.rfind('/')).c_str(), 0700);
    mkdir(directory.c_str(), 0700);
    // Written aside and renamed, so a completion never reads half a list.
    const std::string temporary = path + "." + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) {
        return;
    }
    for (const FoundDevice& device : devices) {
        // The address comes from the network: only a plain dotted address is kept.
        if (IsDottedIpv4(device.ip)) {
            std::fprintf(file, "%s\n", WideToAnsi(device.ip).c_str());
        }
    }
    if (std::fclose(file) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
    }
}
