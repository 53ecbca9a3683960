#pragma once

#include <string>

// The user's base folder of one kind by the XDG rules: $`variable` when it is an
// absolute path (a relative or empty one is ignored), else $HOME/`homeFallback`; empty
// when neither is an absolute path.
std::string XdgBaseDirectory(const char* variable, const char* homeFallback);
