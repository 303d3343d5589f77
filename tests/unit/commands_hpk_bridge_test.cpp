// The kicker bridge runs on system timers: the game-time ones of POSIX hosts.
#if !defined(_WIN32)

#include "commands/map_timers.h"
#include "commands_fixture.h"
#include "platform/platform.h"

using commands_test::CommandsTest;
using commands_test::Lines;

namespace {

struct HpkBridgeTest : CommandsTest {
    float gameTime = 0.0f;

    // A map start: the game time begins again and the map timers start.
    void MapStart() {
        gameTime = 1.0f;
        platform::AdvanceSystemTimers(gameTime);
        StartMapTimers();
    }
    // Runs these seconds' frames; returns and clears the script's queued commands.
    Lines RunSeconds(float seconds) {
        for (const float end = gameTime + seconds; gameTime < end - 1e-3f;)
            platform::AdvanceSystemTimers(gameTime += 0.05f);
        Lines out;
        for (const std::string &command : engine.serverCommands)
            if (command.compare(0, 8, "kestrin_") == 0 || command.compare(0, 4, "amx_") == 0) out.push_back(command);
        engine.serverCommands.clear();
        return out;
    }
};

const Lines kDefaults = {"kestrin_maxping 100\n", "kestrin_checks 5\n", "kestrin_tests 5\n", "kestrin_delay 14\n"};
const Lines kPause = {"amx_pausecfg pause zeq_kestrin.amxx\n"};

}  // namespace

// Across map changes exactly one re-send timer runs; switched off, the re-sends
// stop at the next map start, and every later set-up pauses the script.
TEST_F(HpkBridgeTest, KickerGetsItsSettingsEveryTwentySecondsUntilSwitchedOff) {
    engine.SetVariable("zeq_kestrin_hpk", "1");
    MapStart();
    EXPECT_TRUE(RunSeconds(9.8f).empty());
    EXPECT_EQ(RunSeconds(0.4f), kDefaults);
    EXPECT_EQ(ConsoleLines().back(), "[ZEQ] LOG: HPK is Enabled.");

    // Changes reach the script with the next re-send, truncated; nothing is logged.
    engine.console.clear();
    engine.SetVariable("zeq_kestrin_hpk_maxping", "150");
    engine.SetVariable("zeq_kestrin_hpk_delay", "2.9");
    EXPECT_TRUE(RunSeconds(19.6f).empty());
    const Lines changed = {"kestrin_maxping 150\n", "kestrin_checks 5\n", "kestrin_tests 5\n", "kestrin_delay 2\n"};
    EXPECT_EQ(RunSeconds(0.4f), changed);
    EXPECT_EQ(engine.console, "");

    for (int map = 0; map < 5; ++map) {
        MapStart();
        EXPECT_EQ(RunSeconds(15.0f), changed) << map;
        EXPECT_EQ(platform::LiveSystemTimers(), 1) << map;
    }
    Lines twice = changed;
    twice.insert(twice.end(), changed.begin(), changed.end());
    EXPECT_EQ(RunSeconds(40.0f), twice);

    engine.SetVariable("zeq_kestrin_hpk", "0");
    EXPECT_EQ(RunSeconds(20.0f), changed);
    for (int map = 0; map < 2; ++map) {
        engine.console.clear();
        MapStart();
        EXPECT_EQ(RunSeconds(10.5f), kPause);
        EXPECT_EQ(ConsoleLines().back(), "[ZEQ] LOG: HPK is Disabled.");
        EXPECT_EQ(platform::LiveSystemTimers(), 0);
        EXPECT_TRUE(RunSeconds(60.0f).empty());
    }
}

#endif  // !_WIN32
