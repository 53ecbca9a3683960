#include "sim/interface_address.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool FillAddress(ifreq& request, const std::string& text) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1) {
        return false;
    }
    std::memcpy(&request.ifr_addr, &address, sizeof address);
    return true;
}

}  // namespace

std::string SetInterfaceAddress(const std::string& name, const std::string& ip,
                                const std::string& mask) {
    if (name.empty() || name.size() >= IFNAMSIZ) {
        return "invalid interface name '" + name + "'";
    }
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::string("socket: ") + std::strerror(errno);
    }
    std::string error;
    ifreq request{};
    std::memcpy(request.ifr_name, name.c_str(), name.size());
    if (!FillAddress(request, ip)) {
        error = "invalid address " + ip;
    } else if (::ioctl(fd, SIOCSIFADDR, &request) != 0) {
        error = "SIOCSIFADDR " + name + ": " + std::strerror(errno);
    } else if (!FillAddress(request, mask)) {
        error = "invalid netmask " + mask;
    } else if (::ioctl(fd, SIOCSIFNETMASK, &request) != 0) {
        error = "SIOCSIFNETMASK " + name + ": " + std::strerror(errno);
    }
    ::close(fd);
    return error;
}
