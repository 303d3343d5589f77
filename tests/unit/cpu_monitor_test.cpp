// The processor-load monitor: the real counters, their faults and failures,
// the monitor chosen for the running Windows, and the Linux /proc/stat reader.
#include <gtest/gtest.h>

#include <string>

#include "config/variables.h"
#include "control/cpu_monitor.h"
#include "platform/cpu_load.h"
#include "platform/fault_points.h"
#include "platform/platform.h"
#include "support/test_engine.h"

namespace {

const char *const kTotalPath = "\\Processor(_Total)\\% Processor Time";

struct MonitorTest : ::testing::Test {
    TestEngine engine;
    Monitor monitor{nullptr, nullptr, 0};

    void SetUp() override {
        engine.WriteFile("cstrike/addons/zeq_kestrin/.keep", "");
        RegisterMainVariables();
        platform::ResetCpuCountersForTests(nullptr);
    }
    void TearDown() override { platform::ResetCpuCountersForTests(nullptr); }
};

}  // namespace

// ------------------------------------------------------------------ the real counters

TEST_F(MonitorTest, TwoMapsWithTheRealCountersThenAnUnknownCounter) {
    for (int map = 0; map < 2; ++map) {
        ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor)) << map;
        EXPECT_TRUE(MonitorIsOpen(&monitor));
        monitor.value = 1234;
        EXPECT_TRUE(SampleCpuLoad(&monitor));
#if defined(_WIN32)
        // Windows has no rate after one collection; Wine's counter has one at once.
        EXPECT_TRUE(monitor.value == 1234u || monitor.value <= 100u) << monitor.value;
#else
        EXPECT_EQ(monitor.value, 1234u);  // one collection: no rate yet
#endif
        platform::SleepMilliseconds(1100);
        EXPECT_TRUE(SampleCpuLoad(&monitor));
        EXPECT_LE(monitor.value, 100u);
        EXPECT_TRUE(DestroyMonitor(&monitor));
        EXPECT_FALSE(MonitorIsOpen(&monitor));
    }
    // An unknown counter fails the creation; the query is open and must still be closed.
    EXPECT_FALSE(CreateMonitor("\\No Such Object(_Total)\\Nothing", &monitor));
    EXPECT_FALSE(MonitorIsOpen(&monitor));
    EXPECT_NE(monitor.query, nullptr);
    EXPECT_TRUE(platform::CloseCpuQuery(monitor.query) == platform::CpuStatus::Ok);
    EXPECT_EQ(platform::CpuBindAttemptsForTests(), 1);
    EXPECT_EQ(engine.console.find("PDHUpdate"), std::string::npos);
}

TEST_F(MonitorTest, MissingSourceIsTriedOnceAndFailsEverything) {
    platform::ResetCpuCountersForTests("zk_no_such_counters.dll");
    for (int map = 0; map < 3; ++map) {
        EXPECT_FALSE(CreateMonitor(kTotalPath, &monitor));
        EXPECT_FALSE(SampleCpuLoad(&monitor));
        EXPECT_FALSE(DestroyMonitor(&monitor));  // no message box: nothing reaches the close step
    }
    EXPECT_FALSE(SelectMonitorForOs(true));
    EXPECT_FALSE(SelectMonitorForOs(false));
    EXPECT_FALSE(BindPdh());
    EXPECT_EQ(platform::CpuBindAttemptsForTests(), 1);
    EXPECT_EQ(engine.console.find("Perfmon"), std::string::npos);
}

// A counter call that faults (a crash inside the counters' library, caught):
// the sample fails and says so; a close that faults ends there, reported as
// failed, and leaves the query to close.
TEST_F(MonitorTest, FaultingCounterFailsTheSampleAndTheClose) {
    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    monitor.value = 42;
    platform::ArmFault(platform::FaultPoint::CounterFault, 0, 1);
    EXPECT_FALSE(SampleCpuLoad(&monitor));
    EXPECT_EQ(monitor.value, 42u);
    EXPECT_EQ(Count(engine.console, "[ZEQ] ERROR: PDHUpdate get NULL value\n"), 1u) << engine.console;
    EXPECT_TRUE(SampleCpuLoad(&monitor));

    platform::ArmFault(platform::FaultPoint::CounterFault, 0, 1);
    EXPECT_FALSE(DestroyMonitor(&monitor));
    EXPECT_FALSE(MonitorIsOpen(&monitor));
    EXPECT_TRUE(platform::CloseCpuQuery(monitor.query) == platform::CpuStatus::Ok);  // left open
    platform::DisarmFaults();
}

// The choice at its exact edge: Windows Vista's own version word (6.0,
// build 6000) takes the Vista monitor, the word just below it the XP one.
TEST_F(MonitorTest, VistaMonitorFromVistasOwnVersionWordOn) {
    platform::SetWindowsVersionWordForTests(393216006u);
    EXPECT_TRUE(SelectMonitorForOs(true));
    EXPECT_FALSE(SelectMonitorForOs(false));
    platform::SetWindowsVersionWordForTests(393216005u);
    EXPECT_FALSE(SelectMonitorForOs(true));
    EXPECT_TRUE(SelectMonitorForOs(false));
    platform::SetWindowsVersionWordForTests(0);
    for (const char *line : {"LOG: Vista Perfmon 393216006", "ERROR: Vista Perfmon detected 393216006",
                             "ERROR: Not Vista Perfmon detected 393216005", "LOG: Not Vista Perfmon 393216005"})
        EXPECT_NE(engine.console.find(line), std::string::npos) << line;
}

#if defined(_WIN32)

TEST_F(MonitorTest, VersionChoiceMatchesTheRunningWindows) {
    uint32_t version = 0;
    ASSERT_TRUE(platform::WindowsVersionWord(&version));
    const bool vista = version >= 393216006u;
    const std::string shown = std::to_string(static_cast<int>(version));
    EXPECT_TRUE(SelectMonitorForOs(vista));
    EXPECT_FALSE(SelectMonitorForOs(!vista));
    const std::string chosen = vista ? "[ZEQ] LOG: Vista Perfmon " : "Not Vista Perfmon ";
    const std::string refused = vista ? "ERROR: Vista Perfmon detected " : "ERROR: Not Vista Perfmon detected ";
    EXPECT_NE(engine.console.find(chosen + shown), std::string::npos) << engine.console;
    EXPECT_NE(engine.console.find(refused + shown), std::string::npos);
}

namespace {
void Fault(void *) { *static_cast<volatile int *>(nullptr) = 1; }
void Store(void *context) { *static_cast<int *>(context) = 7; }
}  // namespace

TEST(FaultGuard, FaultMakesTheCallFailAndTheGuardStaysUsable) {
    int stored = 0;
    EXPECT_TRUE(platform::RunUnderFaultGuard(Store, &stored));
    EXPECT_EQ(stored, 7);
    EXPECT_FALSE(platform::RunUnderFaultGuard(Fault, nullptr));
    EXPECT_FALSE(platform::RunUnderFaultGuard(Fault, nullptr));
    stored = 0;
    EXPECT_TRUE(platform::RunUnderFaultGuard(Store, &stored));
    EXPECT_EQ(stored, 7);
}

#else  // POSIX

// ------------------------------------------------------------------ /proc/stat

namespace {
struct ProcStatTest : MonitorTest {
    const std::string kStat = "fake_stat";
    void UseStat(const std::string &contents) { engine.WriteFile(kStat, contents); }
    void SetUp() override {
        MonitorTest::SetUp();
        UseStat("cpu  100 0 100 800 0 0 0 0 0 0\ncpu0 100 0 100 800 0 0 0 0 0 0\nintr 1 2 3\n");
        platform::ResetCpuCountersForTests((engine.root + "/" + kStat).c_str());
    }
    // Samples once with the given file and returns the monitor's value.
    void Reopen() {
        ASSERT_TRUE(DestroyMonitor(&monitor));
        ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    }
    uint32_t Sample(const std::string &contents) {
        UseStat(contents);
        EXPECT_TRUE(SampleCpuLoad(&monitor));
        return monitor.value;
    }
};
}  // namespace

TEST_F(ProcStatTest, RateIsBusyShareOfElapsedJiffiesWithRebaseAndBadReadings) {
    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    monitor.value = 77;
    EXPECT_EQ(Sample("cpu  100 0 100 800 0 0 0 0 0 0\n"), 77u);  // first collection
    EXPECT_EQ(Sample("cpu  150 10 120 820 0 0 0 0 0 0\n"), 80u);  // 80 busy of 100
    // iowait is idle; irq, softirq and steal are busy; guest is already in user.
    EXPECT_EQ(Sample("cpu  150 10 120 850 50 10 5 5 999 999\n"), 20u);  // 20 busy of 100

    // A kernel with four fields only; the line is the first of the file.
    Reopen();
    Sample("cpu 100 0 0 100\ncpu0 100 0 0 100\n");
    EXPECT_EQ(Sample("cpu 102 0 0 101\ncpu0 102 0 0 101\n"), 66u);  // 2 of 3, truncated

    // Counters going backwards rebase.
    Reopen();
    Sample("cpu  1000 0 0 9000 0 0 0 0 0 0\n");
    EXPECT_EQ(Sample("cpu  1010 0 0 9090 0 0 0 0 0 0\n"), 10u);
    EXPECT_EQ(Sample("cpu  10 0 0 90 0 0 0 0 0 0\n"), 10u);  // all back (migrated container)
    EXPECT_EQ(Sample("cpu  70 0 0 130 0 0 0 0 0 0\n"), 60u);  // rate from the new base
    EXPECT_EQ(Sample("cpu  60 0 0 160 0 0 0 0 0 0\n"), 60u);  // busy back, total on
    EXPECT_EQ(Sample("cpu  100 0 0 100 0 0 0 0 0 0\n"), 60u);  // idle back: busy beyond elapsed
    EXPECT_EQ(Sample("cpu  100 0 0 200 0 0 0 0 0 0\n"), 0u);
    EXPECT_EQ(Sample("cpu  200 0 0 200 0 0 0 0 0 0\n"), 100u);

    // Bad readings give no rate and keep the value.
    Reopen();
    Sample("cpu  100 0 100 800 0 0 0 0 0 0\n");
    EXPECT_EQ(Sample("cpu  130 0 100 870 0 0 0 0 0 0\n"), 30u);
    const char *bad[] = {
        "",                                            // empty
        "cpu  130 0 100",                              // truncated, no line end
        "cpu  140 0\n",                                // too few fields
        "cpu  14x 0 100 900 0 0 0 0 0 0\n",            // garbage
        "cpu  -140 0 100 900 0 0 0 0 0 0\n",           // sign
        "cpu0 400 0 100 870 0 0 0 0 0 0\n",            // not the aggregate line (read from "0": 62 %)
        "cpu\n", "cpu", "cp", "cpux 140 0 100 900\n",  // a line that ends or differs within "cpu "
        "intr 1 2 3\n",                                //
        "cpu  99999999999999999999 0 100 900 0 0 0 0 0 0\n",               // beyond 64 bits
        "cpu  18446744073709551615 1 0 0 0 0 0 0 0 0\n",                   // sum beyond 64 bits
        "cpu  130 0 100 870 0 0 0 0 0 0\n",            // nothing elapsed
    };
    for (const char *contents : bad) EXPECT_EQ(Sample(contents), 30u) << contents;
    // The base is still the last good reading.
    EXPECT_EQ(Sample("cpu  180 0 100 920 0 0 0 0 0 0\n"), 50u);
    EXPECT_EQ(engine.console.find("PDHUpdate"), std::string::npos);
}

TEST_F(ProcStatTest, SourceThatCannotBeReadFailsForGood) {
    for (const char *contents : {"", "garbage\n", "cpu  1 2\n"}) {
        UseStat(contents);
        platform::ResetCpuCountersForTests((engine.root + "/" + kStat).c_str());
        EXPECT_FALSE(CreateMonitor(kTotalPath, &monitor)) << contents;
        UseStat("cpu  100 0 100 800 0 0 0 0 0 0\n");
        EXPECT_FALSE(CreateMonitor(kTotalPath, &monitor)) << contents;
        EXPECT_EQ(platform::CpuBindAttemptsForTests(), 1);
    }
    engine.WriteFile("a_directory/.keep", "");  // opens, but reads nothing
    platform::ResetCpuCountersForTests((engine.root + "/a_directory").c_str());
    EXPECT_FALSE(BindPdh());
}

TEST_F(ProcStatTest, ClosingTwiceOrWithoutAQueryReportsWithoutBlockingAndStaleHandlesAreRefused) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DestroyMonitor(&monitor));  // never opened
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Debug: Close Error\n");

    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    const Monitor old = monitor;
    ASSERT_TRUE(DestroyMonitor(&monitor));
    EXPECT_EQ(monitor.query, old.query);  // the stale handle stays
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DestroyMonitor(&monitor));  // closing it again fails
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Debug: Close Error2\n");
    EXPECT_EQ(monitor.query, nullptr);

    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));  // the same slots again
    EXPECT_NE(old.query, monitor.query);
    EXPECT_TRUE(platform::RemoveCpuCounter(old.counter) == platform::CpuStatus::Failed);
    EXPECT_TRUE(platform::CloseCpuQuery(old.query) == platform::CpuStatus::Failed);
    uint32_t value = 9;
    EXPECT_TRUE(platform::CollectCpuSample(old.query, monitor.counter, &value) == platform::CpuStatus::Failed);
    EXPECT_TRUE(DestroyMonitor(&monitor));

    // A failed creation leaves no query to close either.
    platform::ResetCpuCountersForTests((engine.root + "/missing").c_str());
    Monitor fresh{nullptr, nullptr, 0};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DestroyMonitor(&fresh));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // nothing bound: no close step
}

TEST_F(ProcStatTest, VistaChoiceDoesNotApply) {
    EXPECT_TRUE(SelectMonitorForOs(true));
    EXPECT_TRUE(SelectMonitorForOs(false));
    EXPECT_NE(engine.console.find("[ZEQ] LOG: Perfmon choice (Vista) does not apply on this system, load read from "),
              std::string::npos)
        << engine.console;
    EXPECT_NE(engine.console.find("Perfmon choice (XP)"), std::string::npos);
    EXPECT_EQ(engine.console.find("ERROR"), std::string::npos);
}

#endif
