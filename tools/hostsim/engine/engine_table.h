// The fake engine's function table as handed to a new EngineSim.
#pragma once

#include "engine/slow_hook.h"
#include "sdk/abi_checks.h"

namespace hostsim {

const enginefuncs_t &EngineTableTemplate();

// --slow-engine: an engine function the plugin calls made slow on purpose
// (its name as in enginefuncs_t, "pfnCvar_DirectSet").
SlowHook &EngineSlowHook();

}  // namespace hostsim
