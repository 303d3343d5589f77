// The resource database step, one second after each map start.
#pragma once

void DatabaseStep();
