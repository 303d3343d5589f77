#include "engine/decimal_text.h"

#include <cfloat>
#include <cinttypes>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips the blanks and the sign; returns true for a minus.
bool SkipToDigits(const char *&p) {
    while (IsBlank(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    return negative;
}

// The decimal text handed to strtod: a sign, the digits and the decimal part
// as written, so that strtod rounds exactly as it would the whole number.
// strtod reads the decimal point of the process's locale (the engine or
// another plugin may have set one with a comma, or a point of several bytes),
// so the text carries that point in place of the file's '.'.
constexpr int kRealTextSize = 400;
constexpr int kMostPointBytes = 8;
constexpr int kMostIntegerDigits = DBL_MAX_10_EXP + 1;

}  // namespace

int32_t DecimalToInt32(const char *szText) {
    if (szText == nullptr) return 0;
    const char *p = szText;
    const bool negative = SkipToDigits(p);
    int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > static_cast<int64_t>(INT32_MAX) + 1) magnitude = static_cast<int64_t>(INT32_MAX) + 1;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

double DecimalToReal(const char *szText) {
    if (szText == nullptr) return 0.0;
    const char *p = szText;
    const bool negative = SkipToDigits(p);
    while (*p == '0' && IsDigit(p[1])) ++p;  // leading zeros change nothing
    char text[kRealTextSize];
    int length = 0;
    text[length++] = negative ? '-' : '+';
    int integerDigits = 0;
    for (; IsDigit(*p); ++p, ++integerDigits)
        if (length < kRealTextSize - 1) text[length++] = *p;
    if (integerDigits > kMostIntegerDigits) return negative ? -DBL_MAX : DBL_MAX;
    int fractionDigits = 0;
    if (*p == '.') {
        const char *point = std::localeconv()->decimal_point;
        const std::size_t pointBytes = point != nullptr ? std::strlen(point) : 0;
        if (pointBytes == 0 || pointBytes > kMostPointBytes) point = ".";
        for (; *point != '\0'; ++point) text[length++] = *point;
        // Digits beyond the buffer are below the last one a double can show.
        for (++p; IsDigit(*p); ++p, ++fractionDigits)
            if (length < kRealTextSize - 1) text[length++] = *p;
    }
    if (integerDigits == 0 && fractionDigits == 0) return 0.0;
    text[length] = '\0';
    const double value = std::strtod(text, nullptr);
    if (value > DBL_MAX) return DBL_MAX;
    if (value < -DBL_MAX) return -DBL_MAX;
    return value;
}

namespace {

constexpr int kMostFractionDigits = 9;
// Below this, value * 10^9 still fits a 64-bit integer exactly enough.
constexpr double kLargestScaled = 9.0e18;

// A value of 0 to kLargestScaled to the nearest whole number, halves away
// from zero (what llround does; the deployable i386 library links no libm).
// The fraction x - trunc(x) is exact for every double.
uint64_t RoundHalfAway(double dValue) {
    uint64_t whole = static_cast<uint64_t>(dValue);
    if (dValue - static_cast<double>(whole) >= 0.5) ++whole;
    return whole;
}

int CopyWord(char *szBuffer, size_t size, const char *szWord) {
    if (szBuffer == nullptr || size == 0) return 0;
    const int length = std::snprintf(szBuffer, size, "%s", szWord);
    return length < static_cast<int>(size) ? length : static_cast<int>(size) - 1;
}

}  // namespace

int FormatDecimal(char *szBuffer, size_t size, double dValue, int iFractionDigits) {
    if (szBuffer == nullptr || size == 0) return 0;
    if (std::isnan(dValue)) return CopyWord(szBuffer, size, "NaN");
    if (std::isinf(dValue)) return CopyWord(szBuffer, size, dValue > 0 ? "+Inf" : "-Inf");
    const int digits = iFractionDigits < 0 ? 0 : (iFractionDigits > kMostFractionDigits ? kMostFractionDigits : iFractionDigits);
    uint64_t scale = 1;
    for (int i = 0; i < digits; ++i) scale *= 10;
    const bool negative = std::signbit(dValue) && dValue != 0.0;
    const double magnitude = std::fabs(dValue);
    char text[400];
    if (magnitude * static_cast<double>(scale) < kLargestScaled) {
        const uint64_t scaled = RoundHalfAway(magnitude * static_cast<double>(scale));
        const uint64_t whole = scaled / scale;
        const uint64_t fraction = scaled % scale;
        // A value that rounds to zero is written without a sign, as "0.00".
        const char *sign = negative && scaled != 0 ? "-" : "";
        if (digits == 0)
            std::snprintf(text, sizeof(text), "%s%" PRIu64, sign, whole);
        else
            std::snprintf(text, sizeof(text), "%s%" PRIu64 ".%0*" PRIu64, sign, whole, digits, fraction);
    } else {
        // Whole numbers this large have no fraction a double can hold: "%.0f"
        // writes no decimal point, and the zeros are added here.
        int length = std::snprintf(text, sizeof(text), "%.0f", dValue);
        if (digits > 0 && length > 0 && length + 1 + digits < static_cast<int>(sizeof(text))) {
            text[length++] = '.';
            for (int i = 0; i < digits; ++i) text[length++] = '0';
            text[length] = '\0';
        }
    }
    return CopyWord(szBuffer, size, text);
}

int FormatDecimalShort(char *szBuffer, size_t size, double dValue, int iMostDigits) {
    const int length = FormatDecimal(szBuffer, size, dValue, iMostDigits);
    if (length <= 0 || std::strchr(szBuffer, '.') == nullptr) return length;
    int end = length;
    while (end > 0 && szBuffer[end - 1] == '0') --end;
    if (end > 0 && szBuffer[end - 1] == '.') --end;
    szBuffer[end] = '\0';
    return end;
}

int FormatDecimalGeneral(char *szBuffer, size_t size, double dValue) {
    if (szBuffer == nullptr || size == 0) return 0;
    if (std::isnan(dValue)) return CopyWord(szBuffer, size, "NaN");
    if (std::isinf(dValue)) return CopyWord(szBuffer, size, dValue > 0 ? "+Inf" : "-Inf");
    // "%g" writes the locale's decimal point (and nothing else of the
    // locale: no grouping without the ' flag); it is put back to '.'.
    char text[64];
    std::snprintf(text, sizeof(text), "%g", dValue);
    const char *point = std::localeconv()->decimal_point;
    const std::size_t pointBytes = point != nullptr ? std::strlen(point) : 0;
    char *found = pointBytes > 0 && std::strcmp(point, ".") != 0 ? std::strstr(text, point) : nullptr;
    if (found != nullptr) {
        *found = '.';
        std::memmove(found + 1, found + pointBytes, std::strlen(found + pointBytes) + 1);
    }
    return CopyWord(szBuffer, size, text);
}
