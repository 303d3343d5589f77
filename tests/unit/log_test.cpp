#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "log/file_handle.h"
#include "log/log.h"
#include "platform/platform.h"
#include "support/test_engine.h"

namespace {
const std::string kLogDir = "cstrike/addons/zeq_kestrin/logs/";

std::string DailyName() {
    char name[64];
    DailyLogName(name, sizeof(name), platform::CurrentLocalTime());
    return name;
}

// The line without its "[hh:mm:ss] " stamp.
std::string Unstamped(const std::string &line) { return line.size() > 11 ? line.substr(11) : line; }

struct LogTest : ::testing::Test {
    TestEngine engine;
    void SetUp() override {
        engine.WriteFile("cstrike/addons/zeq_kestrin/.keep", "");
        LogMessage(false, LOGLEVEL_LOG, LOGMODE_DEV, "registers the variables");
    }
};
}  // namespace

TEST_F(LogTest, DailyFileByDefaultSingleFileAtOneSwitchedOffAtZero) {
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Win Monitor problem (Close)");
    LogMessage(false, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Cant Create DB Dir!");
    const std::string text = engine.ReadTextFile(kLogDir + DailyName());
    ASSERT_EQ(text.size(), 2 * 11 + std::string("[ZEQ] WARNING: Win Monitor problem (Close)\n[ZEQ] ERROR: Cant Create DB Dir!\n").size());
    EXPECT_EQ(Unstamped(text.substr(0, text.find('\n'))), "[ZEQ] WARNING: Win Monitor problem (Close)");
    EXPECT_EQ(text[0], '[');
    EXPECT_EQ(text[3], ':');
    EXPECT_EQ(Unstamped(engine.console), "[ZEQ] WARNING: Win Monitor problem (Close)\n");  // only the echoed line

    engine.SetVariable("zeq_kestrin_logs", "1.9");
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "one");
    EXPECT_TRUE(engine.Exists(kLogDir + "Kestrin.log"));
    engine.SetVariable("zeq_kestrin_logs", "0");
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "two");
    LogMessage(true, LOGLEVEL_FATAL, LOGMODE_NORMAL, "fatal while off does not end the process");
    EXPECT_EQ(engine.ReadTextFile(kLogDir + "Kestrin.log").find("two"), std::string::npos);
    EXPECT_EQ(engine.console.find("two"), std::string::npos);
    engine.SetVariable("zeq_kestrin_logs", "7");
    LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "three");
    EXPECT_NE(engine.ReadTextFile(kLogDir + DailyName()).find("three"), std::string::npos);
}

// The names the operator's documentation gives as examples.
TEST(DailyLogName, DayMonthFromZeroAndYearsSince1900) {
    const std::pair<platform::LocalTime, const char *> cases[] = {{{126, 11, 7, 12, 0, 0}, "Kestrin_0711126.log"},
                                                                  {{126, 11, 4, 0, 0, 0}, "Kestrin_0411126.log"},
                                                                  {{127, 0, 1, 23, 59, 59}, "Kestrin_0100127.log"}};
    for (const auto &c : cases) {
        char name[64];
        DailyLogName(name, sizeof(name), c.first);
        EXPECT_STREQ(name, c.second);
    }
}

TEST_F(LogTest, DeveloperLinesNeedTheDevLevelPercentsStayAndLongMessagesAreCut) {
    const std::string single = kLogDir + "Kestrin.log";
    engine.SetVariable("zeq_kestrin_logs", "1");
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_DEV, "dev line");
    LogMessage(true, LOGLEVEL_LOG, 7, "unknown mode");
    EXPECT_TRUE(engine.Exists(single));  // made all the same
    EXPECT_EQ(engine.ReadTextFile(single), "");
    EXPECT_EQ(engine.console, "");
    engine.SetVariable("zeq_kestrin_loglevel", "1");
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_DEV, "dev line");
    EXPECT_EQ(Unstamped(engine.ReadTextFile(single)), "[ZEQ] LOG: dev line\n");

    engine.WriteFile(single, "");
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "File %s", "100%d%s%n.mdl");
    EXPECT_EQ(Unstamped(engine.ReadTextFile(single)), "[ZEQ] LOG: File 100%d%s%n.mdl\n");
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "%s", std::string(5000, 'y').c_str());
    const std::string text = engine.ReadTextFile(single);
    EXPECT_EQ(text.size() - text.find('\n') - 1, 1024u);  // 1023 characters and the newline
}

TEST(LogFatal, WritesFatalThenErrorAndExitsWithOne) {
#if defined(_WIN32)
    GTEST_SKIP() << "the critical error shows a modal message box on Windows";
#endif
    TestEngine engine;
    engine.WriteFile("cstrike/addons/zeq_kestrin/.keep", "");
    EXPECT_EXIT(LogMessage(true, LOGLEVEL_FATAL, LOGMODE_NORMAL, "boom %d", 1), ::testing::ExitedWithCode(1),
                "ZEQ Kestrin Critical Error: boom 1");
}

TEST(FileHandle, ClosedHandleOperationsAreRefused) {
    CFileHandle file;
    char buffer[16];
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Printf("x"), 0);
    EXPECT_FALSE(file.ReadLine(buffer, sizeof(buffer)));
    EXPECT_FALSE(file.ReadWord(buffer, sizeof(buffer)));
    EXPECT_FALSE(file.NotEof());
    EXPECT_FALSE(file.Open("no/such/dir/file.txt", "rt"));
    EXPECT_EQ(file.Size(), 0);
}

TEST(FileHandle, WritesLongLinesWholeMeasuresLengthAndReadsWordsAndTokens) {
    TestEngine engine;
    // A line longer than the stack buffer is formatted a second time from a copy
    // of the argument list (an array on x86-64, a structure on aarch64: reusing
    // the consumed list would print garbage there).
    const std::string line(3000, 'p');
    {
        CFileHandle file("long.txt", "wt");
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(file.Printf("%s|%d|%s", line.c_str(), 7, "end"), 3006);
    }
    EXPECT_EQ(engine.ReadTextFile("long.txt"), line + "|7|end");
    // 0xFF is no end of file and 0xA0 no blank, whatever the signedness of char.
    engine.WriteFile("words.txt", "\xFF\xA0 alpha\tbeta\r\n" + std::string(300, 'z') + "\n");
    CFileHandle file("words.txt", "rb");
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 3 + 5 + 1 + 4 + 2 + 300 + 1);
    char word[256];
    ASSERT_TRUE(file.ReadWord(word, sizeof(word)));
    EXPECT_STREQ(word, "\xFF\xA0");
    ASSERT_TRUE(file.ReadWord(word, sizeof(word)));
    EXPECT_STREQ(word, "alpha");
    ASSERT_TRUE(file.ReadToken(word, sizeof(word)));
    EXPECT_STREQ(word, "beta");
    ASSERT_TRUE(file.ReadToken(word, sizeof(word)));
    EXPECT_EQ(std::string(word), std::string(255, 'z'));
    EXPECT_FALSE(file.NotEof());
}
