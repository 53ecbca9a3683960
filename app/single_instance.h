#pragma once

#include <string>

// A per-user lock that one process at a time can hold: flock(2) on a file in the user's
// runtime directory. The kernel drops it when the holder ends, however it ends, so a copy
// that crashed never locks the next one out. Beside it lies the holder's local socket,
// through which a second copy asks it to come forward.
class SingleInstanceLock {
public:
    enum class Outcome {
        kAcquired,
        kHeldElsewhere,  // another process holds it
        kUnavailable,    // no lock file could be made; nothing is known
    };

    // `name` becomes the lock file's name ("<name>.lock").
    explicit SingleInstanceLock(std::string name);
    ~SingleInstanceLock();

    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    Outcome Acquire();
    bool Held() const { return m_fd >= 0; }
    std::string Path() const;
    // The holder's local socket ("<name>.socket"); empty when there is no directory.
    std::string ChannelPath() const;

    // $XDG_RUNTIME_DIR, else a private /tmp/tamsel-<uid> (created with mode 0700); either
    // must be the user's own directory that nobody else may write to. Empty when neither
    // is.
    static std::string LockDirectory();

private:
    std::string m_name;
    int m_fd = -1;
};
