// The automatic configuration file kestrin.acfg.
#pragma once

// Runs one second after each map start.
void RunAutoConfig();
