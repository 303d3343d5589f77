// The automatic configuration file kestrin.acfg: generated from the
// machine's figures when missing, executed in place of kestrin.cfg while
// zeq_kestrin_autoconfig is on.
#pragma once

#include "config/auto_config_rules.h"
#include "config/hardware_figures.h"

// True from a run that finds zeq_kestrin_autoconfig on until a run that
// finds it off; ReadConfigFiles skips kestrin.cfg while it is set.
extern bool bAutoConfigActive;

// Runs one second after each map start.  A missing or empty kestrin.acfg is
// made first.
void RunAutoConfig();

// Measures the machine, shows the figures, and writes the settings to
// "<game>/addons/zeq_kestrin/configs/<fileName>", whole or not at all.
// False (and logged) when the file cannot be created (nothing is measured
// then) or not written completely (the path keeps what it had).
bool GenerateAutoConfig(const char *fileName);

// Tests replace the one-second measurement; nullptr restores it.
typedef HardwareFigures (*HardwareProbe)();
void SetHardwareProbeForTests(HardwareProbe probe);
