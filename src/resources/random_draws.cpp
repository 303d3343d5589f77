#include "resources/random_draws.h"

#include "platform/platform.h"

namespace {
uint32_t s_state = 1;
RandomClock s_clock = nullptr;

// The 38 entries of the tag alphabet in band order (bands 0 to 14, 16,
// 18 to 39); "e" stands twice.
const char TAG_ALPHABET[] = "abcdefgqwertyui"
                            "o"
                            "pshjklzxvnm0123456789@";
static_assert(sizeof(TAG_ALPHABET) - 1 == 38, "38 alphabet entries");

void SeedWithTime() {
    const int64_t seconds = s_clock != nullptr ? s_clock() : platform::CalendarSeconds();
    SeedRandom(static_cast<uint32_t>(static_cast<uint64_t>(seconds)));
}

// A divisor of 1 to 299.  A draw of 0 cannot divide; it is replaced by the
// next draw that is not 0, which keeps the results a pure function of the
// seed.  (The generator's full period guarantees a non-zero draw soon.)
int DivisorDraw() {
    for (;;) {
        const int r = DrawRandom() % 300;
        if (r != 0) return r;
    }
}
}  // namespace

void SeedRandom(uint32_t seed) { s_state = seed; }

int DrawRandom() {
    s_state = s_state * 214013u + 2531011u;
    return static_cast<int>((s_state >> 16) & 0x7fffu);
}

void SetRandomClockForTests(RandomClock clock) { s_clock = clock; }

int32_t RandomInt(int32_t x) {
    SeedWithTime();
    // A 32-bit product that wraps around.
    int32_t v = static_cast<int32_t>(static_cast<uint32_t>(DrawRandom() % 1000) * static_cast<uint32_t>(x));
    // Every divisor is at least 1 and the value stays positive in the loop, so
    // it shrinks (or, for a divisor of 1, stays) until it is at most 1000.
    while (v > 1000) v /= DivisorDraw();
    return v;
}

double RandomReal(uint32_t p) {
    SeedWithTime();
    const double d = 32767.0;
    const double a = DrawRandom() / d;
    const double b = (DrawRandom() + a) / d;
    const double c = (DrawRandom() + b) / d;
    const double x = (DrawRandom() + c) / d;
    if (p == 0) p = static_cast<uint32_t>(DrawRandom() % 100);
    const double y = static_cast<double>(p) * x;
    const int k = DrawRandom() % 32;
    double v = k * y;
    // Each round adds a step that doubles: once it is above 1000 the value can
    // never come down to 1000 again and the loop would run forever (values up
    // to 1.3e11 need about five rounds, a run of small divisors more than
    // nine).  Such a run starts its step over at 1.1 instead; every other run
    // is untouched.
    double step = 1.1;
    while (v > 1000.0) {
        v = v / DivisorDraw() + step;
        step = step * 2;
        if (step > 1000.0) step = 1.1;
    }
    return v;
}

ktTag RandomTag() {
    SeedWithTime();
    ktTag tag{};
    int length = 0;
    for (int i = 0; i < 6; ++i) {
        const int band = (DrawRandom() % 4000) / 100;
        if (band == 15 || band == 17) continue;
        const int entry = band < 15 ? band : band == 16 ? 15 : band - 2;
        tag.szText[length++] = TAG_ALPHABET[entry];
    }
    tag.szText[length] = '\0';
    return tag;
}
