// The automatic configuration file is written whole or not at all: a server
// killed while it measures or writes, a full disk, or an empty file left by an
// older version never leaves kestrin.acfg empty.
#if !defined(_WIN32)
#  include <signal.h>
#  include <sys/resource.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

#include "config_fixture.h"

using namespace config_test;

using platform::FaultPoint;
using Names = std::set<std::string>;

namespace {
constexpr int kKilled = 9;
const std::string kAutoConfig = kConfigDir + "kestrin.acfg";

HardwareFigures SingleProcessorAt800() { return HardwareFigures{800.0f, 256}; }

struct AutoConfigWriteTest : ConfigTest {
    void SetUp() override {
        ConfigTest::SetUp();
        RegisterOwnVariables();
        SetHardwareProbeForTests(SingleProcessorAt800);
        engine.SetVariable("zeq_kestrin_autoconfig", "1");
    }
    Names ConfigFiles() {
        Names names;
        for (const auto &entry : std::filesystem::directory_iterator(kConfigDir))
            names.insert(entry.path().filename().string());
        return names;
    }
    // A map start that finds the file missing makes it whole and runs it.
    void ExpectMadeAndRun() {
        engine.serverCommands.clear();
        RunAutoConfig();
        EXPECT_EQ(Count(engine.ReadTextFile(kAutoConfig), "\n"), 19u);
        EXPECT_EQ(engine.serverCommands.size(), 19u);
        EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg"}));
    }
};
}  // namespace

// Each step of the write failing once: nothing is run, the error says why, no
// temporary file stays, and the next map start makes the file.  A file already
// there (empty, from an interrupted write) stays until it is replaced whole.
TEST_F(AutoConfigWriteTest, FailureAtAnyStepLeavesNoFileAndTheNextMapMakesIt) {
    const struct {
        FaultPoint point;
        int passes;
        bool emptyBefore;
        const char *error;
    } steps[] = {
        {FaultPoint::CreateTemporary, 0, false, "kestrin.acfg (does the directory exist, and may the server write to it?)"},
        {FaultPoint::WriteTemporary, 3, false, "kestrin.acfg completely (disk full?)"},
        {FaultPoint::SyncTemporary, 0, false, "kestrin.acfg completely (disk full?)"},
        {FaultPoint::RenameTemporary, 0, true, "kestrin.acfg completely (disk full?)"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(static_cast<int>(step.point));
        std::filesystem::remove(kAutoConfig);
        if (step.emptyBefore) WriteConfig("kestrin.acfg", "");
        engine.WriteFile(kLogFile, "");
        engine.serverCommands.clear();
        platform::ArmFault(step.point, step.passes, 1);
        RunAutoConfig();
        EXPECT_NE(Log().find(step.error), std::string::npos) << Log();
        EXPECT_TRUE(engine.serverCommands.empty());
        if (step.emptyBefore) {
            EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg"}));
            EXPECT_EQ(engine.ReadFile(kAutoConfig), "");
        } else {
            EXPECT_EQ(ConfigFiles(), (Names{".keep"}));
            EXPECT_NE(Log().find("[ZEQ] ERROR: AutoConfiguration file not found.\n"), std::string::npos);
        }
        ExpectMadeAndRun();
        EXPECT_EQ(Count(Log(), "[ZEQ] WARNING: AutoConfiguration file is empty (an earlier write was cut short). "
                               "Creating new...\n"),
                  step.emptyBefore ? 2u : 0u)
            << Log();
    }
}

// Another server of the same game directory put its complete file in place
// while this one measured, and this one's rename fails (on Windows, the other
// server is reading the file): the other's file is run, no error.
std::string s_otherServersFile = "zeq_kestrin_logs 1\nzeq_kestrin_autofps 250\n";
HardwareFigures AnotherServerFinishesMeanwhile() {
    std::ofstream(kAutoConfig, std::ios::binary) << s_otherServersFile;
    platform::ArmFault(FaultPoint::RenameTemporary, 0, 1);
    return SingleProcessorAt800();
}

TEST_F(AutoConfigWriteTest, FileCompletedByAnotherServerMeanwhileIsRunWithoutAnError) {
    SetHardwareProbeForTests(AnotherServerFinishesMeanwhile);
    RunAutoConfig();
    EXPECT_EQ(Log().find("ERROR"), std::string::npos) << Log();
    EXPECT_EQ(engine.serverCommands.size(), 2u);
    EXPECT_EQ(engine.ReadFile(kAutoConfig), s_otherServersFile);
    EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg"}));
}

#if !defined(_WIN32)  // death tests start a new process (in a new directory) there
// The temporary file is named after this process and made exclusively; a name
// already taken gives the next one.  Leftovers of the same path by ended
// processes go; those of running processes and of other paths stay.
Names s_whileMeasuring;
HardwareFigures ListWhileMeasuring() {
    for (const auto &entry : std::filesystem::directory_iterator(kConfigDir))
        s_whileMeasuring.insert(entry.path().filename().string());
    return SingleProcessorAt800();
}

TEST_F(AutoConfigWriteTest, TemporaryFileIsThisProcesssAndLeftoversOfEndedProcessesGo) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string ended = std::to_string(child), running = std::to_string(getppid());
    for (const std::string &name : {"kestrin.acfg." + ended + ".tmp", "kestrin.acfg." + ended + ".2.tmp",
                                    "kestrin.acfg." + running + ".tmp", "kestrin.cfg." + ended + ".tmp"})
        WriteConfig(name, "partial");
    platform::ArmFault(FaultPoint::TemporaryTaken, 0, 1);
    SetHardwareProbeForTests(ListWhileMeasuring);
    RunAutoConfig();
    EXPECT_EQ(s_whileMeasuring, (Names{".keep", "kestrin.acfg." + std::to_string(getpid()) + ".1.tmp",
                                       "kestrin.acfg." + running + ".tmp", "kestrin.cfg." + ended + ".tmp"}));
    EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg", "kestrin.acfg." + running + ".tmp",
                                    "kestrin.cfg." + ended + ".tmp"}));
    EXPECT_EQ(engine.serverCommands.size(), 19u);
}

HardwareFigures KilledWhileMeasuring() { std::_Exit(kKilled); }

// The server killed while measuring and at each step of the write (in a child
// process): the next map start, here in the parent, finds no file and makes it.
TEST_F(AutoConfigWriteTest, ServerKilledAtAnyStepLeavesNoFile) {
    const struct {
        FaultPoint point;
        int passes;  // -1: killed while measuring
    } steps[] = {
        {FaultPoint::CreateTemporary, -1},
        {FaultPoint::CreateTemporary, 0},  // before the temporary file exists
        {FaultPoint::WriteTemporary, 0},   // the temporary file made, nothing written
        {FaultPoint::WriteTemporary, 10},  // half of the lines written
        {FaultPoint::SyncTemporary, 0},    // every byte written, not yet on the disk
        {FaultPoint::RenameTemporary, 0},  // complete, about to be renamed
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(static_cast<int>(step.point) * 100 + step.passes);
        std::filesystem::remove(kAutoConfig);
        const bool measuring = step.passes < 0;
        EXPECT_EXIT(
            {
                if (measuring) SetHardwareProbeForTests(KilledWhileMeasuring);
                else platform::ArmStop(step.point, step.passes);
                RunAutoConfig();
            },
            ::testing::ExitedWithCode(measuring ? kKilled : platform::kStoppedAtFaultPoint), "");
        EXPECT_FALSE(engine.Exists(kAutoConfig));
        ExpectMadeAndRun();
    }
}

// A real file size limit of 0: every byte written is refused (EFBIG).
// (Lifted again before the child reports: its standard error is a file too.)
void LimitFileSize(rlim_t limit) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit fileSize;
    fileSize.rlim_cur = limit;
    fileSize.rlim_max = RLIM_INFINITY;
    setrlimit(RLIMIT_FSIZE, &fileSize);
}

TEST_F(AutoConfigWriteTest, FileSizeLimitOfZeroIsReportedAndLeavesNoFile) {
    EXPECT_EXIT(
        {
            LimitFileSize(0);
            RunAutoConfig();
            LimitFileSize(RLIM_INFINITY);
            std::fputs(engine.console.c_str(), stderr);
            std::_Exit(engine.serverCommands.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "ERROR: Could not write cstrike/addons/zeq_kestrin/configs/kestrin.acfg completely \\(disk full\\?\\)");
    EXPECT_FALSE(engine.Exists(kAutoConfig));
    EXPECT_EQ(ConfigFiles(), (Names{".keep"}));
    ExpectMadeAndRun();
}
#endif
