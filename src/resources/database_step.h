// The resource database step, one second after each map start: builds the
// database files or checks the existing ones, then processes their records;
// or only reports that model processing is off.
#pragma once

#include <cstdint>

// timerId: the system timer that started the step, stopped first (0: none).
void DatabaseStep(uintptr_t timerId = 0);
