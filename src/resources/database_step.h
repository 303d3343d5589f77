// The resource database step, one second after each map start: builds the
// database files or checks the existing ones, then processes their records;
// or only reports that model processing is off.
#pragma once

void DatabaseStep();
