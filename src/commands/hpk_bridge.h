// The bridge to the companion high-ping kicker script.
#pragma once

// Runs ten seconds after each map start.
void HpkSetup();
