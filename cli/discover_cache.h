#pragma once

#include <string>
#include <vector>

#include "discovery/datagram.h"

// The addresses the last `tamselctl discover` found, for the shell's completion of a
// repeater's address: $XDG_CACHE_HOME/tamsel/discovered (else ~/.cache/tamsel/discovered),
// one dotted address per line and nothing else (no credentials). Best effort: a cache that
// cannot be written is left as it was.
std::string DiscoverCachePath();
void RememberDiscovered(const std::vector<FoundDevice>& devices);
