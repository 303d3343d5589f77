// The console's one space of names: a command or a variable is found
// whatever its case, and a name is either one or the other.
#include "engine/engine_sim.h"
#include "engine/engine_text.h"

namespace hostsim {

cvar_t *EngineSim::findCvar(const char *name) const {
    if (!name) return nullptr;
    for (const CvarEntry &entry : cvars_)
        if (EqualNoCase(entry.variable->name, name)) return entry.variable;
    return nullptr;
}

const char *EngineSim::cvarString(const char *name) const {
    cvar_t *variable = findCvar(name);
    return variable ? variable->string : nullptr;
}

bool EngineSim::hasCommand(const char *name) const {
    for (const Command &command : commands_)
        if (EqualNoCase(command.name.c_str(), name)) return true;
    return false;
}

}  // namespace hostsim
