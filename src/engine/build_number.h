// The build number shown by the about output and the information banner,
// computed from the build date text ("Sep  2 2009" gives 2052).
#pragma once

#include <cstdint>

uint32_t BuildNumberFromDate(const char *szDate);
uint32_t BuildNumber();
