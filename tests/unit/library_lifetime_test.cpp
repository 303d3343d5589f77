// What the library holds between load and unload.  Nothing it started may
// outlive it.
#include <gtest/gtest.h>

#include "commands/hpk_bridge.h"
#include "commands/map_timers.h"
#include "config/variables.h"
#include "engine/plugin_state.h"
#include "platform/platform.h"
#include "plugin/entry_points.h"
#include "support/test_engine.h"

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
    StartEveryTimer(engine);
    OnLibraryUnload();
    EXPECT_EQ(platform::LiveSystemTimers(), 0);
}
