// The plugin's diagnostic variables, outside the bounded registry of its own
// settings: zeq_kestrin_trace (0 off, 1 one CSV row per governor check).
#pragma once

#include "sdk/engine.h"

extern cvar_t *g_pTrace;

// Registers them (game initialisation) and looks their handles up.
void RegisterDiagnosticVariables();
