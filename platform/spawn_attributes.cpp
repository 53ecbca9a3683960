#include "platform/spawn_attributes.h"

#include <signal.h>

DefaultSignalSpawnAttributes::DefaultSignalSpawnAttributes() {
    posix_spawnattr_init(&m_attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&m_attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&m_attributes, &signals);
    posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

DefaultSignalSpawnAttributes::~DefaultSignalSpawnAttributes() {
    posix_spawnattr_destroy(&m_attributes);
}
