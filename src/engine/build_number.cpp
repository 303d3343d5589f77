#include "engine/build_number.h"

#include <cstdlib>
#include <cstring>

uint32_t BuildNumberFromDate(const char *szDate) {
    static const char *const kMonths[11] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov"};
    static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (szDate == nullptr || std::strlen(szDate) < 11) return 0;

    int month = 11;  // December is never compared
    for (int m = 0; m < 11; ++m) {
        if (std::strncmp(szDate, kMonths[m], 3) == 0) {
            month = m;
            break;
        }
    }
    int days = 0;
    for (int m = 0; m < month; ++m) days += kMonthDays[m];
    days += std::atoi(szDate + 4) - 1;
    const int year = std::atoi(szDate + 7) - 2000;

    uint16_t n = static_cast<uint16_t>(static_cast<int>((year - 1) * 365.25) + days);
    if (year % 4 == 0 && month >= 2) n = static_cast<uint16_t>(n + 1);
    return static_cast<uint32_t>(n) - 1114u;
}

uint32_t BuildNumber() { return BuildNumberFromDate(__DATE__); }
