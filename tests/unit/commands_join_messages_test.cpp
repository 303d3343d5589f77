#include "commands/join_messages.h"
#include "commands_fixture.h"

using commands_test::CommandsTest;
using commands_test::Lines;

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
const std::string kShortInfo = "3:### Welcome to Hostname ! Server WeB Site: http://www.kestrin.example.org . ###\n";
const std::string kLongInfo = "3:" + std::string(43, '#') +
                              "\n# Welcome to Hostname! Hello everyone! \n"
                              "# Server WeB Site: http://www.kestrin.example.org. \n" +
                              std::string(43, '#') + "\n";

std::string LongJoin(const std::string &players) {
    return "3:" + std::string(66, '-') +
           "\n#  Welcome! BceM IIPuBET!\n"
           "#  Server is currently running at 57 FPS with " + players + " clients present.\n"
           "#  Current map: de_dust2 \n"
           "#  Server is running with ZEQ Kes-Trin v1.70.\n" + std::string(66, '-') + "\n";
}

}  // namespace

// Settings are truncated toward zero; information off is logged at every connection.
TEST_F(JoinMessagesTest, SettingsChooseTheFormsAndTheServerTextsArePrintedAsTheyAre) {
    measuredFps = 57;
    EXPECT_EQ(Connect("1", "1", true), (Lines{kShortJoin, kShortInfo}));
    EXPECT_EQ(engine.calls.back(), "pfnClientPrintf(3, 0)");  // the player's console
    EXPECT_EQ(Connect("1.5", "1.9", true), (Lines{kShortJoin, kShortInfo}));
    // The first player on an empty server is told that 0 clients are present.
    EXPECT_EQ(Connect("2", "2", true), (Lines{LongJoin("0"), kLongInfo}));
    SetPresence(engine.Player(2), 1);
    SetPresence(engine.Player(32), 1);
    EXPECT_EQ(Connect("3", "7", true), (Lines{LongJoin("2"), kLongInfo}));
    EXPECT_EQ(engine.console, "");
    for (const char *info : {"0", "-3"}) {
        EXPECT_EQ(Connect("1", info, true), (Lines{kShortJoin})) << info;
        EXPECT_EQ(ConsoleLines(), (Lines{"[ZEQ] LOG: Info Disabled"})) << info;
    }
    for (const char *join : {"0", "0.9", "-2.5"}) {
        EXPECT_TRUE(Connect(join, "2", false).empty()) << join;
        EXPECT_EQ(engine.console, "") << join;
    }

    // Server texts are printed as they are and cut to the buffer.
    engine.SetVariable("zeq_kestrin_hostname", "100% %s%n%d");
    engine.SetVariable("zeq_kestrin_website", "a.example");
    EXPECT_EQ(Connect("1", "1", true)[1], "3:### Welcome to 100% %s%n%d ! Server WeB Site: http://a.example . ###\n");

    const std::string longName(700, 'x');
    engine.SetVariable("zeq_kestrin_hostname", longName);
    const std::string expected = std::string(43, '#') + "\n# Welcome to " + longName;
    EXPECT_EQ(Connect("1", "2", true), (Lines{kShortJoin, "3:" + expected.substr(0, kJoinMessageSize - 1)}));
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
