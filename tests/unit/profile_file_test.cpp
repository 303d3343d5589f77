// The command file, the profile file read word by word, and the status lines.
#include "config_fixture.h"

using namespace config_test;

// Under the automatic configuration the command file is skipped; a WON server
// is told, and the profile's values stay.
TEST_F(ProfileFileTest, CommandFileSendsEachLineOnceTrimmedAndUnformattedAndMissingFilesAreReported) {
    ReadConfigFiles();
    EXPECT_EQ(Count(Log(), "[ZEQ] ERROR: Configuration file not found.\n"), 2u);

    WriteConfig("kestrin.cfg", "// a comment\nsv_gravity 800   \r\n  indented\n\tindented\n\n\r\n/x\necho 100%s %d\nsay last");
    ReadConfigFiles();
    EXPECT_EQ(engine.serverCommands, (Commands{"sv_gravity 800\n", "echo 100%s %d\n", "say last\n"}));
    engine.serverCommands.clear();
    WriteConfig("kestrin.cfg", "say last\n");
    ReadConfigFiles();
    EXPECT_EQ(engine.serverCommands, (Commands{"say last\n"}));

    engine.serverCommands.clear();
    WriteConfig("kestrin.cfg", "sv_gravity 800\n");
    bAutoConfigActive = true;
    gameVersion = 3;
    ReadIni("[BOTS] BOTS2 7 2 won");
    EXPECT_TRUE(engine.serverCommands.empty());
    EXPECT_EQ(Count(Log(), "Configuration file not found."), 4u);
    EXPECT_NE(engine.console.find("Configs system disabled, due to your Counter-Strike Version!"), std::string::npos);
    EXPECT_EQ(g_botsLevels[1].iMaxLevel, 7);
}

TEST_F(ProfileFileTest, ExampleProfileFillsTheNamedLevelsOnly) {
    ReadIni("[FPS]\nFPS1 0 0.5 r\nFPS2 3 2.5 r\n[SYS]\nSYS1 a a a a r\n"
            "[SERVER]\r\nSERV1 0.5 1.5 2 r\n[BOTS]\nBOTS1 5 1 r\n");
    EXPECT_STREQ(GetStatusLine(1), "FPS 2: 3 2.5 r");
    EXPECT_STREQ(GetStatusLine(12), "SERV 1: 0.5 1.5 2 r");
    EXPECT_STREQ(GetStatusLine(16), "BOTS 1: 5 1 r");
    EXPECT_STREQ(GetStatusLine(3), "FPS 4: 0 0.0 r");
    EXPECT_STREQ(GetStatusLine(10), "SYS 3: a a a a r");
    EXPECT_EQ(engine.console.find("Unregistred"), std::string::npos);
}

TEST_F(ProfileFileTest, WordsNotLinesCommentWordsQuotesAndHeaders) {
    ReadIni("\n \t[FPS]\nFPS2 7 7.5 x\n// FPS1 is fast\n");  // blanks before the first word too
    EXPECT_STREQ(GetStatusLine(0), "FPS 1: 0 0.0 r");
    EXPECT_STREQ(GetStatusLine(1), "FPS 2: 7 7.5 x");

    ReadIni("[FPS] FPS1 3 1.5 r extra");
    EXPECT_EQ(Count(engine.console, "[ZEQ] ERROR: [FPS] Unregistred Command extra"), 1u);

    // Quotes go; a lower-case header is a value; a quoted blank splits words.
    ReadIni("[SYS] SYS3 \"one\" [fps] \"\" \"b c\" \"e");
    EXPECT_STREQ(GetStatusLine(10), "SYS 3: one [fps]  b c\"");
    EXPECT_EQ(Count(engine.console, "[SYS] Unregistred Command e"), 1u);
}

TEST_F(ProfileFileTest, LevelAndCursorCarryAcrossSectionsAndReads) {
    // Before the first section header and the first level key nothing counts.
    ReadIni("FPS1 3 [FPS] 4 CPU1");
    EXPECT_STREQ(GetStatusLine(0), "FPS 1: 0 0.0 r");
    EXPECT_EQ(engine.console.find("Unregistred"), std::string::npos);

    // A record finished in the next section; a key of another section is a value.
    ReadIni("[BOTS] BOTS1 5 1 b [FPS] FPS1 5 [CPU] 0.5 FPS1");
    EXPECT_STREQ(GetStatusLine(0), "FPS 1: 5 0.0 r");
    EXPECT_STREQ(GetStatusLine(4), "CPU 1: 0 0.5 FPS1");

    // The next read goes on where the last one stopped: SERVER's fourth
    // field does not exist in FPS.  BOTS, not mentioned, keeps its values.
    ReadIni("[SERVER] SERV2 1.5 2.5 3");
    ReadIni("[FPS] x");
    ReadIni("done");
    EXPECT_EQ(Count(engine.console, "[FPS] Unregistred Command x"), 1u);
    EXPECT_EQ(Count(engine.console, "[FPS] Unregistred Command done"), 1u);
    EXPECT_STREQ(GetStatusLine(13), "SERV 2: 1.5 2.5 3 r");
    EXPECT_STREQ(GetStatusLine(16), "BOTS 1: 5 1 b");
}

TEST_F(ProfileFileTest, NumbersConvertWithoutErrorsAndLongWordsAreCut) {
    ReadIni("[FPS] FPS1 99999999999 1e999 " + std::string(300, 'w') + " FPS2 -7x abc r" +
            " FPS3 0x5 0x1p3 hex FPS4 +3 nan r [CPU] CPU1 1 -inf r");
    EXPECT_EQ(g_fpsLevels[0].iNumber, INT32_MAX);
    EXPECT_EQ(g_fpsLevels[0].dNumber, 1.0);  // no exponent
    EXPECT_EQ(std::string(g_fpsLevels[0].szText), std::string(254, 'w'));
    EXPECT_EQ(std::string(GetStatusLine(0)).size(), 127u);
    EXPECT_STREQ(GetStatusLine(1), "FPS 2: -7 0.0 r");
    // Neither hexadecimal nor the C library's infinity and not-a-number words.
    EXPECT_STREQ(GetStatusLine(2), "FPS 3: 0 0.0 hex");
    EXPECT_STREQ(GetStatusLine(3), "FPS 4: 3 0.0 r");
    EXPECT_STREQ(GetStatusLine(4), "CPU 1: 1 0.0 r");

    ParseProfileWord(6, "FPS1");
    EXPECT_EQ(Count(Log(), "[ZEQ] ERROR: Unregistred Command\n"), 1u);
    EXPECT_EQ(Count(engine.console, "[ZEQ] ERROR: Unregistred Command\n"), 1u);
}

TEST_F(ProfileFileTest, MemoryEntryPointReadsLikeTheFile) {
    const std::string text = "junk [CPU]\tCPU4 9 \"9.9\" q\xE9\xFF\f[SYS] SYS4 " + std::string(400, 'z') +
                             " 2\v3 [BOTS] BOTS4 1 2 3 4 [SERVER] SERV3 1 2";
    ReadIni(text);
    std::vector<std::string> fromFile;
    for (int n = 0; n < 20; ++n) fromFile.push_back(GetStatusLine(n));
    const int cursor = CurrentProfileParserState().iCursor;

    ResetProfileStoreForTests();
    ResetProfileParserForTests();
    ParseProfileText(text.data(), text.size());
    for (int n = 0; n < 20; ++n) EXPECT_EQ(GetStatusLine(n), fromFile[n]) << n;
    EXPECT_EQ(CurrentProfileParserState().iCursor, cursor);
}

TEST(GetToken, SplitsOnBlanksHonoursQuotesAndTrims) {
    EXPECT_STREQ(GetToken("  first\tsecond third", 1, false), "second");
    EXPECT_STREQ(GetToken("\"a b\" c", 0, false), "a b");
    EXPECT_STREQ(GetToken("\"a b\" c", 1, false), "c");
    EXPECT_STREQ(GetToken("\"unclosed \"", 0, true), "unclosed");
    EXPECT_STREQ(GetToken("one", 3, false), "");
    EXPECT_EQ(std::string(GetToken(std::string(600, 'k').c_str(), 0, false)).size(), 255u);
    // Bytes above 127 are letters like any other, whether char is signed
    // (x86) or not (ARM); NEL and no-break space are no blanks.
    EXPECT_STREQ(GetToken("\x85n\xE9" "e\xA0 \xFF" "z", 0, false), "\x85n\xE9" "e\xA0");
    EXPECT_STREQ(GetToken("\x85n\xE9" "e\xA0 \xFF" "z", 1, false), "\xFF" "z");
}

TEST_F(ProfileFileTest, StatusLinesOfTheVariablesAndOutOfRange) {
    RegisterOwnVariables();
    engine.SetVariable("zeq_fps", "99.9");
    engine.SetVariable("zeq_kestrin_proc_mdl", "1");
    engine.SetVariable("zeq_kestrin_cpu", "0.5");
    EXPECT_STREQ(GetStatusLine(20), "FPS: 99. Rate: 100.");
    EXPECT_STREQ(GetStatusLine(21), "MDL: Enabled CPU: Disabled");
    EXPECT_STREQ(GetStatusLine(22), "Sleeps Min: 3. Level: 75.");
    EXPECT_STREQ(GetStatusLine(23), "Spike: 3. Timer: 2.");
    EXPECT_STREQ(GetStatusLine(24), "Spike: 3. Timer: 2.");
}
