#pragma once

#include <spawn.h>

// posix_spawn attributes for a child that starts with no signal blocked and every signal
// at its default disposition, whatever this program blocks or ignores: tamselctl blocks
// its termination signals to take them through its event loop, and a child must still
// end on them.
class DefaultSignalSpawnAttributes {
public:
    DefaultSignalSpawnAttributes();
    ~DefaultSignalSpawnAttributes();
    DefaultSignalSpawnAttributes(const DefaultSignalSpawnAttributes&) = delete;
    DefaultSignalSpawnAttributes& operator=(const DefaultSignalSpawnAttributes&) = delete;

    const posix_spawnattr_t* Get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};
