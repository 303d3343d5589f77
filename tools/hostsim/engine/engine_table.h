// The fake engine's function table as handed to a new EngineSim.
#pragma once

#include "sdk/abi_checks.h"

namespace hostsim {

const enginefuncs_t &EngineTableTemplate();

}  // namespace hostsim
