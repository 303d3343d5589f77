// Numbers read from the plugin's own files (the profile, the resource
// database): leading white space, an optional sign, decimal digits and, for
// a real number, a decimal part.  The conversion stops at the first other
// character and gives 0 when no digit comes.  Unlike the C library's
// conversions they take no hexadecimal ("0x10" reads as 0), no exponent
// ("1e3" reads as 1) and no "inf" or "nan", and they do not depend on the
// locale.
#pragma once

#include <cstddef>
#include <cstdint>

// Values beyond 32 bits saturate.
int32_t DecimalToInt32(const char *szText);
// Always a finite number; a value beyond the double range (which no text of
// 308 digits or fewer before the point reaches) saturates.
double DecimalToReal(const char *szText);

// Decimal text written with '.' as the decimal point whatever the process's
// locale (the engine or another plugin may have set a comma-decimal one).
// Both write at most size - 1 characters and a terminating zero, and return
// the length written.  A value that is no number writes "NaN", an infinite
// one "+Inf" or "-Inf" (the words the metrics format reads).
// Exactly iFractionDigits digits after the point (0 to 9), rounded as "%.*f"
// rounds, so that every text reads as it did under the "C" locale.
int FormatDecimal(char *szBuffer, size_t size, double dValue, int iFractionDigits);
// At most iMostDigits digits after the point (0 to 9), trailing zeros and a
// bare point dropped: 800 -> "800", 338.5 -> "338.5", 0.25 -> "0.25".
int FormatDecimalShort(char *szBuffer, size_t size, double dValue, int iMostDigits);
// Like "%g" (six significant digits, trailing zeros dropped, an exponent for
// very large or small values): 100 -> "100", 0.5 -> "0.5", 1e+07.
int FormatDecimalGeneral(char *szBuffer, size_t size, double dValue);

// The text of one number, for a "%s" in a formatted line:
// DecimalText(1.5, 2).szText is "1.50" (FormatDecimal), GeneralText(100.5)
// "100.5" (FormatDecimalGeneral).  Room for the longest, "%f" of DBL_MAX.
struct DecimalText {
    char szText[400];
    DecimalText(double dValue, int iFractionDigits) { FormatDecimal(szText, sizeof(szText), dValue, iFractionDigits); }
};
struct GeneralText {
    char szText[32];
    explicit GeneralText(double dValue) { FormatDecimalGeneral(szText, sizeof(szText), dValue); }
};
