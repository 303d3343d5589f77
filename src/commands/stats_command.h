// zeq_kestrin_stats: the frame-interval statistics of the last governor
// window and of the map, the processor use, the tick rate asked and in
// effect, the timer resolution in force and the rate warnings.
#pragma once

void StatsCommand();
