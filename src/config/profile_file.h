// The command file kestrin.cfg and the profile file kestrin.ini, read at
// every map start, and the status lines the information window shows.
#pragma once

#include "config/command_file.h"
#include "config/profile_parser.h"
#include "config/profile_store.h"
#include "config/token.h"

// Reads both files (every map start): runs kestrin.cfg as server commands
// (not while the automatic configuration is in force) and parses kestrin.ini
// into the profile store.
void ReadConfigFiles();

constexpr int kStatusLineCount = 24;
constexpr int kStatusLineSize = 128;

// Formats status line n (0 to 23) into one shared buffer and returns it; any
// other n returns the buffer as the previous call left it.
const char *GetStatusLine(int n);

// The status line that shows the spike regulation switch.
constexpr int kCpuSwitchStatusLine = 21;
// True while zeq_kestrin_cpu is on but this map has no processor load figure
// (the load monitor could not be opened): that line says "Unavailable".
bool CpuRegulationUnavailable();
