// The console variables a Counter-Strike dedicated server has before any
// plugin registers its own: the engine's and the game's usual ones, with the
// values they start with.
#pragma once

#include <cstddef>

namespace hostsim {

struct StandardCvar {
    const char *name;
    const char *value;
};

extern const StandardCvar kStandardCvars[];
extern const std::size_t kStandardCvarCount;

}  // namespace hostsim
