// The governor's steering of sys_ticrate and of the timer period.
#include "config/profile_store.h"
#include "diagnostics_fixture.h"

namespace {
struct GovernorTest : diagnostics_test::DiagnosticsTest {
    void SetUp() override {
        DiagnosticsTest::SetUp();  // game time 1.0: first check at 5.0
        loadedByMetamod = true;
    }
    std::string Ticrate() { return engine.VariableText("sys_ticrate"); }
};
}  // namespace

TEST_F(GovernorTest, FixedRate) {
    const struct {
        const char *sysrate;
        const char *ticrate;
    } cases[] = {{"49.99", "100"}, {"50", "50"}};  // 49.99: automatic, target 100 met
    for (const auto &c : cases) {
        engine.SetVariable("zeq_kestrin_sysrate", c.sysrate);
        Measure(100);
        EXPECT_EQ(Ticrate(), c.ticrate) << c.sysrate;
    }
    // A fixed rate leaves the frame-rate profile alone, and says so.
    engine.SetVariable("zeq_kestrin_loglevel", "1");
    g_fpsLevels[0].iNumber = 12;
    Measure(100);
    EXPECT_EQ(g_fpsLevels[0].iNumber, 12);
    EXPECT_EQ(Count("Works without AutoFPS. Engine Disabled"), 1u);
    engine.SetVariable("zeq_kestrin_sysrate", "nan");
    ticrateTarget = 100;
    Measure(100);
    EXPECT_EQ(Ticrate(), "100");  // no number: automatic control
}

// A fixed rate beyond any 32-bit number is kept low enough that the automatic
// step taken after it stays a number: it falls back to 1000 like any rate
// above 1200.
TEST_F(GovernorTest, HugeFixedRateThenAutomatic) {
    for (const char *huge : {"2.2e9", "1e30"}) {
        engine.SetVariable("zeq_kestrin_sysrate", huge);
        Measure(100);
        EXPECT_EQ(Ticrate(), "2147483572") << huge;
        engine.SetVariable("zeq_kestrin_sysrate", "0");
        Measure(40);  // target 100: a step of 38 upward
        EXPECT_EQ(ticrateTarget, 1000) << huge;
        EXPECT_EQ(engine.VariableText("zeq_ticrate"), "2147483572") << huge;
        EXPECT_EQ(Ticrate(), "1000") << huge;
    }
}

TEST_F(GovernorTest, AutomaticStepsTowardTheTarget) {
    const struct {
        uint32_t measured;
        int32_t change;
    } cases[] = {{60, 15}, {85, 8}, {93, 3}, {97, 1}, {100, 0}, {130, -15}, {0, 38}, {250, -75}};
    for (const auto &c : cases) {
        ticrateTarget = 500;
        Measure(c.measured);
        EXPECT_EQ(ticrateTarget, 500 + c.change) << c.measured;
        EXPECT_EQ(Ticrate(), std::to_string(500 + c.change));
    }
}

TEST_F(GovernorTest, AutomaticLimits) {
    engine.SetVariable("zeq_kestrin_autofps", "1000");
    ticrateTarget = 1190;
    Measure(975);  // gap 25: +15 gives 1205, which falls back to 1000
    EXPECT_EQ(ticrateTarget, 1000);
    engine.SetVariable("zeq_kestrin_autofps", "100");
    for (int i = 0; i < 40; ++i) Measure(400);
    EXPECT_EQ(ticrateTarget, 100);
    // A negative target is a huge unsigned one: always upward, by the largest step.
    engine.SetVariable("zeq_kestrin_autofps", "-1");
    Measure(100);
    EXPECT_EQ(ticrateTarget, 175);
}

TEST_F(GovernorTest, TimerPeriodFollowsTheMinimumSleep) {
    const struct {
        const char *sleepsm;
        uint32_t period;
    } cases[] = {{"3", 3}, {"0", 1}, {"15", 10}, {"-1", 10}, {"7.9", 7}, {"1e30", 10}, {"nan", 1}};
    for (const auto &c : cases) {
        engine.SetVariable("zeq_kestrin_sleepsm", c.sleepsm);
        Measure(100);
        EXPECT_EQ(TimerPeriod(), c.period) << c.sleepsm;
    }
}
