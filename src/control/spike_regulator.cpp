#include "control/spike_regulator.h"

uint32_t spikeCount = 0;
uint32_t quietCount = 0;

void RegulateCpu() {}
void RegulatorFrame() {}
