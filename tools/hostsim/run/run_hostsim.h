// One whole hostsim run: the server directory, the engine, the plugin loaded
// under Metamod or standalone, the script's lines, the trace and the exit code.
#pragma once

#include "run/command_line.h"

namespace hostsim {

// Runs a whole session; returns the process exit code.
int RunHostsim(const HostsimOptions &options);

}  // namespace hostsim
