// Validation and report of the profile levels, every governor check.
#pragma once

// With bAutoRate (the automatic tick-rate control runs) reports every level
// of the FPS, CPU, SERVER and BOTS records in the developer log and clamps
// out-of-range numbers with a warning; otherwise only says that the engine
// works without it.
void ApplyProfile(bool bAutoRate);
