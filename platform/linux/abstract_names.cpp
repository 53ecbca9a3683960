#include "platform/linux/abstract_names.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

AbstractNames::~AbstractNames() {
    for (const auto& [name, fd] : m_held) {
        close(fd);
    }
}

NameHold AbstractNames::Hold(const std::string& name) {
    if (m_held.count(name) > 0) {
        return NameHold::kTaken;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // The leading NUL puts the name in the abstract namespace: no file, and every byte
    // after it counts.
    if (name.empty() || name.size() + 1 > sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return NameHold::kFailed;
    }
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    // A stream socket that never listens: it receives nothing, and anyone who connects to
    // the name is refused.
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return NameHold::kFailed;
    }
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return error == EADDRINUSE ? NameHold::kTaken : NameHold::kFailed;
    }
    m_held[name] = fd;
    return NameHold::kHeld;
}

void AbstractNames::Release(const std::string& name) {
    const auto it = m_held.find(name);
    if (it != m_held.end()) {
        close(it->second);
        m_held.erase(it);
    }
}
