#include "engine/decimal_text.h"

#include <cfloat>
#include <cstdlib>

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
constexpr int kRealTextSize = 400;
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
        text[length++] = '.';
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
