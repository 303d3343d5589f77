// What the library holds between load and unload: its system timers and the
// window's fonts.  Nothing it started may outlive it.
#include <gtest/gtest.h>

#include "commands/hpk_bridge.h"
#include "commands/map_timers.h"
#include "config/variables.h"
#include "engine/plugin_state.h"
#include "platform/fault_points.h"
#include "platform/platform.h"
#include "plugin/entry_points.h"
#include "support/test_engine.h"
#include "window/info_window.h"

namespace {
// The timers of a running server: one map start's three and the kicker's
// re-send timer.
void StartEveryTimer(TestEngine &engine) {
    RegisterOwnVariables();
    engine.SetVariable("zeq_kestrin_hpk", "1");
    HpkSetup();
    StartMapTimers();
    ASSERT_EQ(platform::LiveSystemTimers(), 4);
    ASSERT_NE(HpkResendTimerId(), 0u);
}
}  // namespace

TEST(LibraryLifetime, ForcedDetachStopsEveryTimer) {
    TestEngine engine;
    loadedByMetamod = true;
    META_FUNCTIONS functions{};
    gamedll_funcs_t gamedll{};
    ASSERT_EQ(Meta_Attach(PT_STARTUP, &functions, &engine.metaGlobals, &gamedll), 1);
    StartEveryTimer(engine);
    EXPECT_EQ(Meta_Detach(PT_ANYTIME, PNL_COMMAND), 0);  // refused: the plugin stays and its timers run on
    EXPECT_EQ(platform::LiveSystemTimers(), 4);
    EXPECT_EQ(Meta_Detach(PT_ANYTIME, PNL_CMD_FORCED), 1);
    EXPECT_EQ(platform::LiveSystemTimers(), 0);
    EXPECT_EQ(HpkResendTimerId(), 0u);
}

TEST(LibraryLifetime, StandaloneUnloadStopsEveryTimer) {
    TestEngine engine;
    loadedByMetamod = false;
    GiveFnptrsToDll(&engine.table, &engine.globals);  // no game library here: only logged
    EXPECT_EQ(TimerPeriod(), 3u);  // taken at load: standalone mode has no attach
    StartEveryTimer(engine);
    OnLibraryUnload();
    EXPECT_EQ(platform::LiveSystemTimers(), 0);
}

#if defined(_WIN32)
TEST(LibraryLifetime, WindowFontsLiveFromLoadToUnload) {
    TestEngine engine;
    loadedByMetamod = true;
    GiveFnptrsToDll(&engine.table, &engine.globals);
    EXPECT_EQ(platform::LiveWindowFonts(), 2);
    const int created = platform::WindowFontsCreated();

    META_FUNCTIONS functions{};
    gamedll_funcs_t gamedll{};
    ASSERT_EQ(Meta_Attach(PT_STARTUP, &functions, &engine.metaGlobals, &gamedll), 1);
    ShowInfoWindow();  // shown, or not without a display: either way no font is made
    ShowInfoWindow();
    EXPECT_EQ(platform::WindowFontsCreated(), created);

    EXPECT_EQ(Meta_Detach(PT_ANYTIME, PNL_CMD_FORCED), 1);
    OnLibraryUnload();
    EXPECT_EQ(platform::LiveWindowFonts(), 0);
}
#endif
