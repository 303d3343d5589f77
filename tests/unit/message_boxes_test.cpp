// Message boxes on a Windows server: one that dispatches messages while it is
// open, and one that nobody can see because the server has no interactive
// desktop or runs in a service's session.
#include <gtest/gtest.h>

#if defined(_WIN32)

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "commands/map_timers.h"
#include "config/auto_config.h"
#include "config/variables.h"
#include "log/log.h"
#include "platform/fault_points.h"
#include "platform/platform.h"
#include "support/message_pump.h"
#include "support/test_engine.h"

namespace {

const std::string kLogFile = "cstrike/addons/zeq_kestrin/logs/Kestrin.log";

int s_measurements = 0;
HardwareFigures Measured() {
    ++s_measurements;
    return HardwareFigures{2400.0f, 768};
}

// A process that ends inside the test leaves its log behind on standard
// error, where the death test reads it.
void PrintLogsAtExit() {
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("cstrike/addons/zeq_kestrin/logs", error)) {
        std::FILE *file = std::fopen(entry.path().string().c_str(), "rb");
        if (file == nullptr) continue;
        char buffer[512];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) std::fwrite(buffer, 1, n, stderr);
        std::fclose(file);
    }
}

struct MessageBoxTest : ::testing::Test {
    TestEngine engine;

    void SetUp() override {
        engine.WriteFile("cstrike/addons/zeq_kestrin/configs/.keep", "");
        engine.WriteFile("cstrike/addons/zeq_kestrin/logs/.keep", "");
        RegisterMainVariables();
        RegisterOwnVariables();
        engine.SetVariable("zeq_kestrin_logs", "1");
        engine.SetVariable("zeq_kestrin_autoconfig", "1");
        s_measurements = 0;
        SetHardwareProbeForTests(Measured);
    }
    void TearDown() override {
        SetHardwareProbeForTests(nullptr);
        platform::DisarmFaults();
        StopAllPluginTimers();
    }
    std::string Log() { return engine.Exists(kLogFile) ? engine.ReadTextFile(kLogFile) : std::string(); }
};

}  // namespace

// The automatic configuration's box runs a modal loop, in which the
// 1-second timers come due again: each job still runs once.
TEST_F(MessageBoxTest, JobWhoseBoxDispatchesMessagesRunsOnce) {
    platform::ArmFault(platform::FaultPoint::ModalLoop, 0, -1);
    const int shownBefore = platform::MessageBoxesShown();
    StartMapTimers();
    DispatchThreadMessagesFor(3500);
    EXPECT_EQ(platform::MessageBoxesShown() - shownBefore, 1);
    EXPECT_EQ(s_measurements, 1);
    const std::string log = Log();
    EXPECT_EQ(Count(log, "AutoConfig is Enabled."), 1u) << log;
    EXPECT_EQ(Count(log, "Models Processing Disabled."), 1u) << log;
    EXPECT_EQ(platform::LiveSystemTimers(), 1);  // the kicker's, due at 10 s
}

TEST_F(MessageBoxTest, WithoutInteractiveDesktopFiguresAreLoggedNotBoxed) {
    platform::ArmFault(platform::FaultPoint::NoDesktop, 0, -1);
    const int shownBefore = platform::MessageBoxesShown();
    RunAutoConfig();
    EXPECT_EQ(platform::MessageBoxesShown(), shownBefore);
    EXPECT_EQ(s_measurements, 1);
    EXPECT_NE(Log().find("[ZEQ] LOG: AutoConfig measured 2400.00 768 (CPU MHz, free memory MB)"), std::string::npos);
    EXPECT_TRUE(engine.Exists("cstrike/addons/zeq_kestrin/configs/kestrin.acfg"));
}

// A service allowed to interact with the desktop: its window station is
// visible, but it runs in session 0, which no user sees.
TEST_F(MessageBoxTest, SessionZeroHasNoDesktopThoughTheStationIsVisible) {
    unsigned long session = 0;
    ASSERT_TRUE(ReadOwnSessionId(&session));
    ASSERT_NE(session, 0u);  // a user's session, as Wine gives: the fault point stands in for 0
    EXPECT_TRUE(platform::InteractiveDesktop());
    platform::ArmFault(platform::FaultPoint::SessionZero, 0, -1);
    ASSERT_FALSE(platform::InteractiveDesktop());  // else the box below would wait for ever
    const int shownBefore = platform::MessageBoxesShown();
    RunAutoConfig();
    EXPECT_EQ(platform::MessageBoxesShown(), shownBefore);
    EXPECT_NE(Log().find("[ZEQ] LOG: AutoConfig measured 2400.00 768 (CPU MHz, free memory MB)"), std::string::npos);
}

TEST_F(MessageBoxTest, WithoutInteractiveDesktopOtherBoxesAreLogged) {
    platform::ArmFault(platform::FaultPoint::NoDesktop, 0, -1);
    const int shownBefore = platform::MessageBoxesShown();
    ShowMessageOrLog("Close Error", "Debug", platform::MessageBoxIcon::None);
    ShowMessageOrLog("50 %s %d", "", platform::MessageBoxIcon::None);
    EXPECT_EQ(platform::MessageBoxesShown(), shownBefore);
    const std::string log = Log();
    EXPECT_NE(log.find("[ZEQ] WARNING: Message box \"Debug\" not shown: the server has no interactive desktop "
                       "(run as a service?). It reads: Close Error\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("[ZEQ] WARNING: Message box not shown: the server has no interactive desktop "
                       "(run as a service?). It reads: 50 %s %d\n"),
              std::string::npos)
        << log;
}

TEST_F(MessageBoxTest, CriticalErrorWithoutInteractiveDesktopIsLoggedAndEnds) {
    platform::ArmFault(platform::FaultPoint::NoDesktop, 0, -1);
    EXPECT_EXIT(
        {
            std::atexit(PrintLogsAtExit);
            LogMessage(true, LOGLEVEL_FATAL, LOGMODE_NORMAL, "boom %d", 1);
        },
        ::testing::ExitedWithCode(1),
        "Critical Error\" not shown: the server has no interactive desktop");
}

#endif  // _WIN32
