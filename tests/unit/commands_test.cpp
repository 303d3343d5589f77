
#include <cstdint>
#include <regex>

#include "commands/join_messages.h"
#include "commands_fixture.h"
#include "engine/build_number.h"
#include "platform/window.h"

using commands_test::CommandsTest;
using commands_test::Lines;

namespace {

using InfoCommandTest = CommandsTest;
using SwitchCommandTest = CommandsTest;

const Lines kHelp = {
    "[ZEQ] Kes-Trin Vars and Commands:",
    "zeq_fps                        - Display current FPS.",
    "zeq_kestrin                    - Display ZEQ Information.",
    "zeq_ticrate                    - Display current ticrate.",
    "zeq_kestrin_help               - Display this message.",
    "zeq_kestrin_about              - Display information about this plugin.",
    "zeq_kestrin_strengthening      - Inclusion of additional options.",
    "zeq_kestrin_version            - Display current version.",
    "zeq_kestrin_autofps            - Automatic server FPS.",
    "zeq_kestrin_sleepsm            - Minimum sleep time set to meta meta system.",
    "zeq_kestrin_join_msg           - Display connect message.",
    "zeq_kestrin_info               - Display connect message with server name and server website.",
    "zeq_kestrin_hostname           - Your ServeR Name.",
    "zeq_kestrin_website            - Your ServeR WeB SiTe adress.",
    "zeq_kestrin_sysrate            - Manual FPS installation.",
    "zeq_kestrin_cpu                - Inclusion CPU funtcion.",
    "zeq_kestrin_cpu_mspike         - CPU spike maximum. Time, which CPU level needs for changing CPU loading.",
    "zeq_kestrin_cpu_level          - CPU spike level. Level which CPU utilization needs to exceed.",
    "zeq_kestrin_cpu_timer          - CPU server meta minc. Amount timer will increment.",
    "zeq_kestrin_premonitor_win     - Stabilization CPU of monitor for OS.",
    "zeq_kestrin_bots_support       - Bots support.",
    "zeq_kestrin_proc_mdl           - Models processing.",
    "zeq_kestrin_proc_spr           - Sprites processing.",
    "zeq_kestrin_logs               - Enable/Disabled log.",
    "zeq_kestrin_loglevel           - Log Levels: Dev or Normal.",
    "zeq_kestrin_autocofig          - Automatical cofiguration.",
    "zeq_kestrin_hpk\t\t\t\t- Enable Hight Ping Kicker.",
    "zeq_kestrin_hpk_checks\t\t\t- Ping Checks.",
    "zeq_kestrin_hpk_tests\t\t\t- Ping Tests.",
    "zeq_kestrin_hpk_delay\t\t\t- Delay.",
};

bool IsBanner(const Lines &lines) {
    const std::string rule(63, '-');
    if (lines.size() != 21 || lines.front() != rule || lines.back() != rule) return false;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
        if (lines[i].size() != 63 || lines[i].front() != '|' || lines[i].back() != '|') return false;
    return true;
}

const std::string kBuild = std::to_string(static_cast<uint16_t>(BuildNumber()));

}  // namespace

TEST_F(InfoCommandTest, ShowMetaAndHelpByTheirNamesInAnyCaseOnTheServerConsole) {
#if defined(_WIN32)  // elsewhere the window's texts go to the console (see the window tests)
    // A desktop shows the window and prints nothing; without one (wine
    // without a display) the window cannot be created.
    for (const char *name : {"zeq_kestrin_show", "ShowPanel"}) {
        const Lines printed = Run({name});
        EXPECT_TRUE(printed.empty() || printed == Lines{"[ZEQ] ERROR: Can't show info window!"}) << name;
        platform::CloseLayoutWindow();
    }
#endif
    EXPECT_EQ(Run({"meta", "list"}),
              (Lines{"[ZEQ] ERROR: You're launched standalone version of test. Metamod is not installed or not "
                     "enabled!"}));

    for (const char *name : {"zeq_kestrin_help", "ZEQ_KESTRIN_HELP", "Zeq_Kestrin_HelpMe"})
        EXPECT_EQ(Run({name}), kHelp) << name;
    // A listen server's host reads it on the server console as well.
    engine.dedicated = 0;
    g_pListenServerHost = engine.Player(1);
    EXPECT_EQ(Run({"zeq_kestrin_help"}), kHelp);
    EXPECT_TRUE(engine.clientPrints.empty());
}

TEST_F(InfoCommandTest, AboutAndBannerIgnoreTheWordsAfterTheCommand) {
    const Lines lines = Run({"zeq_kestrin_about", "extra"});
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 6),
              (Lines{std::string(48, '-'), "Name: ZEQ Kes-Trin", "WeB Site: " ZK_WEBSITE,
                     "Version: 1.70 (Build: " + kBuild + ")", "Optimization: Debug", "Builded by: ZEQ Dev Team"}));
    EXPECT_TRUE(std::regex_match(lines[6], std::regex("Compiled: [A-Z][a-z]{2} [ 123][0-9] [0-9]{4}, "
                                                      "[0-2][0-9]:[0-5][0-9]:[0-5][0-9] \\+300 \\(GMT\\)")))
        << lines[6];
    EXPECT_EQ(lines[7], "Optimization: Debug Build");
    EXPECT_EQ(lines[8], "Meta-Interface Version: 5:13");
    EXPECT_TRUE(std::regex_match(lines[9], std::regex("Compiled by: \\S.*")));
    EXPECT_EQ(Lines(lines.begin() + 10, lines.end()),
              (Lines{"ZEQ-Interface Version: 1.0e", "Platform: Win32 (32-bit)", std::string(48, '-')}));

    const Lines banner = Run({"zeq_kestrin", "about"});
    ASSERT_TRUE(IsBanner(banner)) << engine.console;
    EXPECT_NE(banner[1].find("ZEQ Kes-Trin v1.70 - " ZK_WEBSITE " - Build " + kBuild), std::string::npos);
    EXPECT_NE(banner[2].find("ZEQ Dev Team"), std::string::npos);
    EXPECT_NE(banner[2].find("+300 (GMT)"), std::string::npos);
    EXPECT_TRUE(IsBanner(Run({"INFORMATION"})));
    // The display name takes the action from its first word.
    EXPECT_EQ(Run({"zeq kes-trin"}), kHelp);
    EXPECT_TRUE(IsBanner(Run({"ZEQ Kes-Trin", "information", "a", "b"})));
    Run({"ZEQ Kes-Trin", "bogus%s"});
    EXPECT_EQ(engine.console, "[ZEQ Kes-Trin] Unknown command: bogus%s\n");
}

TEST_F(SwitchCommandTest, EachSwitchAnswersWithItsOwnFourMessages) {
    struct Row {
        const char *command;
        int index;
        Lines messages;  // for 1, 1 again, 0, 0 again (0 first: right after load every switch is off)
    };
    const Row rows[] = {
        {"zeq_kestrin_strengthening", SWITCH_STRENGTHENING,
         {"[ZEQ] LOG: Strengthening enabled.", "[ZEQ Kes-Trin] Kes-Trin strengthening already enabled.",
          "[ZEQ] LOG: Strengthening disabled.", "[ZEQ Kes-Trin] Kes-Trin strengthening already disabled."}},
        {"zeq_kestrin_premonitor_win", SWITCH_MONITOR,
         {"[ZEQ] LOG: Preformance Monitor for Windows Vista included.",
          "[ZEQ Kes-Trin] ZeQ Kes-Trin Preformance Monitor for Windows Vista already included.",
          "[ZEQ] LOG: Preformance Monitor for Windows XP included.",
          "[ZEQ Kes-Trin] ZeQ Kes-Trin Preformance Monitor for Windows XP already included."}},
        {"zeq_kestrin_bots_support", SWITCH_BOTS_SUPPORT,
         {"[ZEQ] LOG: Bots Support enabled.", "[ZEQ Kes-Trin] Zeq Kes-Trin Bots Support already enabled.",
          "[ZEQ] LOG: Bots Support disabled.", "[ZEQ Kes-Trin] ZeQ Kes-Trin Bots Support already disabled."}},
    };
    engine.RegisterEngineVariable("zeq_bots_version", "1.0");
    for (const Row &row : rows) {
        const char *arguments[] = {"0", "1", "1", "0", "0"};
        for (int step = 0; step < 5; ++step) {
            engine.serverCommands.clear();
            const Lines printed = Run({row.command, arguments[step]});
            ASSERT_FALSE(printed.empty()) << row.command << step;
            // The switch's own line comes last (its action may log first).
            EXPECT_EQ(printed.back(), row.messages[(step + 3) % 4]) << row.command << step;
            EXPECT_EQ(SwitchState(row.index), arguments[step][0] - '0');
            // Repeating the setting runs nothing: the presets are not issued again.
            if (step % 2 == 0) {
                EXPECT_EQ(printed.size(), 1u);
                EXPECT_TRUE(engine.serverCommands.empty());
            }
        }
    }
}

TEST_F(SwitchCommandTest, OnlyExactlyZeroOrOneIsAccepted) {
    for (const char *command : {"zeq_kestrin_strengthening", "zeq_kestrin_premonitor_win", "zeq_kestrin_bots_support"})
        for (const Lines &words : {Lines{command}, Lines{command, "01"}, Lines{command, " 1"}, Lines{command, "1 "},
                                   Lines{command, "-0"}, Lines{command, "1.0"}, Lines{command, ""}}) {
            EXPECT_EQ(Run(words), (Lines{"[ZEQ Kes-Trin] Invalid value!"})) << command << " '" << words.back() << "'";
        }
    for (int index = 0; index < SWITCH_COUNT; ++index) EXPECT_EQ(SwitchState(index), 0);
    EXPECT_TRUE(engine.serverCommands.empty());

    // Without the bots add-on, bots support switches itself off again.
    EXPECT_EQ(Run({"zeq_kestrin_bots_support", "1"}),
              (Lines{"[ZEQ] LOG: Bots support failz. Can't Find Bots.", "[ZEQ] LOG: Bots Support enabled."}));
    EXPECT_EQ(SwitchState(SWITCH_BOTS_SUPPORT), 1);
    engine.console.clear();
    engine.ExecuteCommandBuffer();
    EXPECT_EQ(ConsoleLines(), (Lines{"[ZEQ] LOG: Bots Support disabled."}));
    EXPECT_EQ(SwitchState(SWITCH_BOTS_SUPPORT), 0);
}


namespace {

struct JoinMessagesTest : CommandsTest {
    // Player 3 connects; returns what reached its console.
    Lines Connect(const char *join, const char *info, bool expectSent) {
        engine.SetVariable("zeq_kestrin_join_msg", join);
        engine.SetVariable("zeq_kestrin_info", info);
        engine.clientPrints.clear();
        engine.console.clear();
        EXPECT_EQ(SendJoinMessages(engine.Player(3)), expectSent) << join << " " << info;
        return engine.clientPrints;
    }
};

const std::string kShortJoin = "3:### Server is running at 57 FPS with ZEQ Kes-Trin v1.70 ###\n";

}  // namespace

// The greetings' forms and settings are played by the join_messages scenario;
// here what it cannot show: a host name longer than the message buffer is cut
// to it, and a game that is not deathmatch greets nobody.
TEST_F(JoinMessagesTest, LongServerTextsAreCutToTheBufferAndOnlyDeathmatchGreets) {
    measuredFps = 57;
    const std::string longName(700, 'x');
    engine.SetVariable("zeq_kestrin_hostname", longName);
    const std::string expected = std::string(43, '#') + "\n# Welcome to " + longName;
    EXPECT_EQ(Connect("1", "2", true), (Lines{kShortJoin, "3:" + expected.substr(0, kJoinMessageSize - 1)}));
    EXPECT_EQ(engine.calls.back(), "pfnClientPrintf(3, 0)");  // the player's console
    engine.globals.deathmatch = 0.0f;
    EXPECT_TRUE(Connect("2", "2", false).empty());
}

TEST_F(JoinMessagesTest, ConnectHookReportsHandledOnlyWhenTheJoinMessageWasSent) {
    loadedByMetamod = true;
    char reason[128] = "";
    EXPECT_EQ(kPluginHooks.pfnClientConnect(engine.Player(3), "Player", "10.0.0.1:27005", reason), 1);
    EXPECT_EQ(engine.metaGlobals.mres, MRES_HANDLED);
    engine.SetVariable("zeq_kestrin_join_msg", "0");
    EXPECT_EQ(kPluginHooks.pfnClientConnect(engine.Player(3), "Player", "10.0.0.1:27005", reason), 1);
    EXPECT_EQ(engine.metaGlobals.mres, MRES_IGNORED);
    loadedByMetamod = false;
}
