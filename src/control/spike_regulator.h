// The processor spike regulator.
#pragma once

#include <cstdint>

extern uint32_t spikeCount;
extern uint32_t quietCount;

void RegulateCpu();
// Per-frame: runs one regulation step when its period has passed.
void RegulatorFrame();
