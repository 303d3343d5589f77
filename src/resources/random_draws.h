// The three random generators that fill the database records.  Each seeds
// the generator with the calendar time in seconds first, so calls within
// the same second draw the same numbers.
#pragma once

#include <cstdint>

constexpr int kTagSize = 7;  // up to six characters and the terminator

struct ktTag {
    char szText[kTagSize];
};

// (rand mod 1000) * x, divided down until it is at most 1000.
int32_t RandomInt(int32_t x);
// A real number from 0 to 1000 built from p and a handful of draws.
double RandomReal(uint32_t p);
// Zero to six characters of TAG_ALPHABET.
ktTag RandomTag();

// The generator: the 15-bit linear congruential generator of the standard
// library, state = state * 214013 + 2531011 (mod 2^32), output bits 16 to 30.
void SeedRandom(uint32_t seed);
int DrawRandom();

// The clock the three generators seed from (platform::CalendarSeconds unless
// a test installs another; null restores it).
typedef int64_t (*RandomClock)();
void SetRandomClockForTests(RandomClock clock);
