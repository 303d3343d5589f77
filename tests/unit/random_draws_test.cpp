// The random generator and the draws the database takes from it.
#include <gtest/gtest.h>

#include <cstring>

#include "resources/random_draws.h"
#include "resources_fixture.h"

namespace {
int64_t s_now = 0;
int64_t TestClock() { return s_now; }

struct RandomTest : ::testing::Test {
    void SetUp() override { SetRandomClockForTests(TestClock); }
    void TearDown() override { SetRandomClockForTests(nullptr); }
};
}  // namespace

TEST_F(RandomTest, GeneratorGivesTheKnownSequence) {
    SeedRandom(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected) EXPECT_EQ(DrawRandom(), value);
    // The low 32 bits of the calendar time seed it: 2^32 + 1 seeds like 1.
    s_now = (int64_t{1} << 32) + 1;
    EXPECT_EQ(RandomInt(1), 41);
}

TEST_F(RandomTest, RandomIntMultipliesThenDividesDownToAtMostAThousand) {
    const struct {
        int64_t seed;
        int32_t x, value;
    } cases[] = {
        {1, 0, 0}, {1, 1, 41}, {1, 24, 984}, {1, -7, -287},  // seed 1 draws 41 first
        {1, 100000000, -194967296},                          // wraps to negative: leaves the loop at once
        {1, 25, 1025 / 167},                                 // next draw 18467 % 300 = 167
        {108, INT32_MAX, 134},  // draws a 0 divisor, replaced by the next draw that is not 0
    };
    for (const auto &c : cases) {
        s_now = c.seed;
        EXPECT_EQ(RandomInt(c.x), c.value) << "seed " << c.seed << ", x " << c.x;
    }
    for (s_now = 0; s_now < 3000; ++s_now)
        for (int32_t x : {2, 1001, 65536, 1 << 30, INT32_MAX}) ASSERT_LE(RandomInt(x), 1000) << s_now << " " << x;
}

TEST_F(RandomTest, RandomRealFollowsItsDrawsAndAlwaysEndsAtMostAThousand) {
    s_now = 1;
    const double d = 32767.0;
    const double a = 41 / d, b = (18467 + a) / d, c = (6334 + b) / d, x = (26500 + c) / d;
    // p 0: p = 19169 % 100 = 69; k = 15724 % 32 = 12.
    EXPECT_DOUBLE_EQ(RandomReal(0), 12 * (69 * x));
    // p 1: k = 19169 % 32 = 1.
    EXPECT_DOUBLE_EQ(RandomReal(1), 1 * x);
    // p 100: k 1, v = 100 * x, below 1000.
    EXPECT_DOUBLE_EQ(RandomReal(100), 100 * x);
    // Seed 108 draws a 0 divisor; seed 433295571 needs more than nine rounds (where the step alone passes 1000).
    for (int64_t seed : {int64_t{108}, int64_t{433295571}}) {
        s_now = seed;
        const double v = RandomReal(UINT32_MAX);
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1000.0);
    }
    for (s_now = 0; s_now < 3000; ++s_now) {
        ASSERT_LE(RandomReal(UINT32_MAX), 1000.0);
        ASSERT_LE(RandomReal(0), 1000.0);
    }
}

TEST_F(RandomTest, RandomTagBands) {
    // Seed 1: draws 41, 18467, 6334, 26500, 19169, 15724 fall in bands 0, 24,
    // 23, 25, 31 and 37: entries 0, 22, 21, 23, 29 and 35.
    s_now = 1;
    EXPECT_STREQ(RandomTag().szText, "azlx28");
    // Bands 15 and 17 add nothing: all six draws there give an empty tag.
    s_now = 50660115;
    EXPECT_STREQ(RandomTag().szText, "");
    // Band 16 is "o", band 4 and band 9 both "e".
    const char alphabet[] = "abcdefgqwertyuiopshjklzxvnm0123456789@";
    for (s_now = 0; s_now < 2000; ++s_now) {
        const ktTag tag = RandomTag();
        ASSERT_LE(std::strlen(tag.szText), 6u);
        for (const char *c = tag.szText; *c != '\0'; ++c) ASSERT_NE(std::strchr(alphabet, *c), nullptr);
    }
}
