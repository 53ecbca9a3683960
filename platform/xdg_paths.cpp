#include "platform/xdg_paths.h"

#include <cstdlib>

std::string XdgBaseDirectory(const char* variable, const char* homeFallback) {
    const char* base = std::getenv(variable);
    if (base != nullptr && base[0] == '/') {
        return base;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/" + homeFallback;
    }
    return std::string();
}
