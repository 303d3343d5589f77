// hostsim --plot-trace FILE.csv: the plot of a trace the plugin wrote
// (zeq_kestrin_trace 1), as FILE.csv.svg, like the simulator's own --trace.
#pragma once

#include <string>

namespace hostsim {

// Returns the process exit code (0, or 1 with a message on standard error).
int PlotTraceFile(const std::string &csvPath);

}  // namespace hostsim
