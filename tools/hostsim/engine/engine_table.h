// The fake engine's function table as handed to a new EngineSim.
#pragma once

#include "sdk/abi_checks.h"

namespace hostsim {

const enginefuncs_t &EngineTableTemplate();

// Ends hostsim loudly: the plugin called a function of a table (the
// engine's, Metamod's) that it is not expected to call.
[[noreturn]] void UnexpectedCall(const char *table, const char *name);

}  // namespace hostsim
