// Numbers read from the plugin's own files (the profile, the resource
// database): leading white space, an optional sign, decimal digits and, for
// a real number, a decimal part.  The conversion stops at the first other
// character and gives 0 when no digit comes.  Unlike the C library's
// conversions they take no hexadecimal ("0x10" reads as 0), no exponent
// ("1e3" reads as 1) and no "inf" or "nan", and they do not depend on the
// locale.
#pragma once

#include <cstdint>

// Values beyond 32 bits saturate.
int32_t DecimalToInt32(const char *szText);
// Always a finite number; a value beyond the double range (which no text of
// 308 digits or fewer before the point reaches) saturates.
double DecimalToReal(const char *szText);
