// The server presets and the game version they find.
#include "config_fixture.h"

using namespace config_test;

using PresetsTest = ConfigTest;

TEST_F(PresetsTest, ServerSetsAreIssuedInOrderTrimmedAndBotsSupportNeedsTheBotsAddOn) {
    EXPECT_EQ(ApplyServerPreset(true), 1);
    EXPECT_EQ(ApplyServerPreset(false), 1);
    EXPECT_EQ(engine.serverCommands,
              (Commands{"sv_maxupdaterate 70\n", "sv_minupdaterate 10\n", "sv_unlag 1\n", "sv_maxunlag 0.9\n",
                        "sv_maxspeed 320\n", "sv_maxrate 20000\n", "sv_minrate 100\n", "sv_stats 1\n",
                        "sv_friction 4\n", "sv_stopspeed 75\n",
                        "sv_maxupdaterate 30\n", "sv_minupdaterate 10\n", "sv_unlag 1\n", "sv_maxunlag 0.5\n",
                        "sv_maxspeed 320\n", "sv_maxrate 0\n", "sv_minrate 0\n", "sv_stats 1\n", "sv_friction 4\n",
                        "sv_stopspeed 75\n"}));

    // Bots support needs the bots add-on.
    engine.serverCommands.clear();
    EXPECT_EQ(SetBotsSupport(true), 0);
    EXPECT_NE(engine.console.find("[ZEQ] LOG: Bots support failz. Can't Find Bots."), std::string::npos);
    EXPECT_EQ(engine.serverCommands, (Commands{"zeq_kestrin_bots_support 0\n"}));

    engine.RegisterEngineVariable("zeq_bots_version", "1.0");
    EXPECT_EQ(SetBotsSupport(true), 1);
    EXPECT_NE(engine.console.find("Bots Support Working Now"), std::string::npos);
    EXPECT_EQ(engine.serverCommands.size(), 1u);

    EXPECT_EQ(SetBotsSupport(false), 1);
    EXPECT_EQ(engine.console.find("Bots Support Disabled"), std::string::npos);
    EXPECT_EQ(Count(Log(), "[ZEQ] LOG: Bots Support Disabled\n"), 1u);
}

TEST_F(PresetsTest, SteamServerWithoutGalilIsWonFromThenOn) {
    engine.WriteFile("cstrike/events/galil.sc", "events");
    DetectGameVersion();
    EXPECT_EQ(gameVersion, 1);
    EXPECT_EQ(std::count(engine.calls.begin(), engine.calls.end(), "pfnFreeFile"), 1);

    std::remove("cstrike/events/galil.sc");
    DetectGameVersion();
    EXPECT_EQ(gameVersion, 3);
    DetectGameVersion();
    gameVersion = 2;
    DetectGameVersion();
    gameVersion = 0;
    DetectGameVersion();
    EXPECT_EQ(engine.console,
              "[ZEQ Kes-Trin] Game Registered: CS 1.6 (Steam)\n"
              "[ZEQ Kes-Trin] Game Registered: CS 1.5 (WON)\n"
              "[ZEQ Kes-Trin] Game Registered: CS 1.x (WON)\n"
              "[ZEQ Kes-Trin] Game Registered: CS CZ (Steam)\n");
    EXPECT_EQ(gameVersion, 0);
}
