#include "engine/decimal_text.h"

#include <cfloat>
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

int CopyWord(char *szBuffer, size_t size, const char *szWord) {
    if (szBuffer == nullptr || size == 0) return 0;
    const int length = std::snprintf(szBuffer, size, "%s", szWord);
    return length < static_cast<int>(size) ? length : static_cast<int>(size) - 1;
}

// The C library's "%f" and "%g" write the locale's decimal point and nothing
// else of the locale (no grouping without the ' flag), and round exactly as
// they always have: their text with that point put back to '.'.
void PointToDot(char *szText) {
    const char *point = std::localeconv()->decimal_point;
    const std::size_t pointBytes = point != nullptr ? std::strlen(point) : 0;
    char *found = pointBytes > 0 && std::strcmp(point, ".") != 0 ? std::strstr(szText, point) : nullptr;
    if (found == nullptr) return;
    *found = '.';
    std::memmove(found + 1, found + pointBytes, std::strlen(found + pointBytes) + 1);
}

}  // namespace

int FormatDecimal(char *szBuffer, size_t size, double dValue, int iFractionDigits) {
    if (szBuffer == nullptr || size == 0) return 0;
    if (std::isnan(dValue)) return CopyWord(szBuffer, size, "NaN");
    if (std::isinf(dValue)) return CopyWord(szBuffer, size, dValue > 0 ? "+Inf" : "-Inf");
    const int digits = iFractionDigits < 0 ? 0 : (iFractionDigits > kMostFractionDigits ? kMostFractionDigits : iFractionDigits);
    char text[400];  // the largest double has 309 digits before the point
    std::snprintf(text, sizeof(text), "%.*f", digits, dValue);
    PointToDot(text);
    return CopyWord(szBuffer, size, text);
}

int FormatDecimalShort(char *szBuffer, size_t size, double dValue, int iMostDigits) {
    const int length = FormatDecimal(szBuffer, size, dValue, iMostDigits);
    if (length <= 0 || std::strchr(szBuffer, '.') == nullptr) return length;
    int end = length;
    while (end > 0 && szBuffer[end - 1] == '0') --end;
    if (end > 0 && szBuffer[end - 1] == '.') --end;
    szBuffer[end] = '\0';
    if (std::strcmp(szBuffer, "-0") == 0) return CopyWord(szBuffer, size, "0");
    return end;
}

int FormatDecimalGeneral(char *szBuffer, size_t size, double dValue) {
    if (szBuffer == nullptr || size == 0) return 0;
    if (std::isnan(dValue)) return CopyWord(szBuffer, size, "NaN");
    if (std::isinf(dValue)) return CopyWord(szBuffer, size, dValue > 0 ? "+Inf" : "-Inf");
    char text[64];
    std::snprintf(text, sizeof(text), "%g", dValue);
    PointToDot(text);
    return CopyWord(szBuffer, size, text);
}
