#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// A directory is only trusted when it is ours and nobody else may write to it: another
// user could otherwise plant the lock or the socket.
bool IsPrivateDirectory(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(std::string name) : m_name(std::move(name)) {}

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

std::string SingleInstanceLock::LockDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsPrivateDirectory(runtime)) {
        return runtime;
    }
    const std::string fallback = "/tmp/tamsel-" + std::to_string(getuid());
    mkdir(fallback.c_str(), 0700);
    return IsPrivateDirectory(fallback) ? fallback : std::string();
}

std::string SingleInstanceLock::Path() const {
    const std::string directory = LockDirectory();
    return directory.empty() ? std::string() : directory + "/" + m_name + ".lock";
}

std::string SingleInstanceLock::ChannelPath() const {
    const std::string directory = LockDirectory();
    return directory.empty() ? std::string() : directory + "/" + m_name + ".socket";
}

SingleInstanceLock::Outcome SingleInstanceLock::Acquire() {
    if (m_fd >= 0) {
        return Outcome::kAcquired;
    }
    const std::string path = Path();
    if (path.empty()) {
        return Outcome::kUnavailable;
    }
    // Read-only is enough for flock, and lets a user open a file another account made.
    const int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return Outcome::kUnavailable;
    }
    int result;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_fd = fd;
        return Outcome::kAcquired;
    }
    const bool held = errno == EWOULDBLOCK;
    close(fd);
    return held ? Outcome::kHeldElsewhere : Outcome::kUnavailable;
}
