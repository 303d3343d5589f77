// The post hooks Metamod calls after the game library's own: a spawned
// entity drawn as a transparent texture stops counting as a world brush;
// every other entity keeps its flags.
#include <gtest/gtest.h>

#include "plugin/dllapi.h"
#include "support/test_engine.h"

TEST(PostHooks, OnlyTransparentTexturesLoseTheWorldBrushFlag) {
    TestEngine engine;
    const int kOtherFlag = 1 << 3;
    for (int rendermode = 0; rendermode <= 5; ++rendermode) {
        edict_t &entity = engine.edicts[10 + rendermode];
        entity.v.rendermode = rendermode;
        entity.v.flags = FL_WORLDBRUSH | kOtherFlag;
        EXPECT_EQ(kPluginPostHooks.pfnSpawn(&entity), 0);
        const int expected = rendermode == kRenderTransTexture ? kOtherFlag : FL_WORLDBRUSH | kOtherFlag;
        EXPECT_EQ(entity.v.flags, expected) << "render mode " << rendermode;
    }
    EXPECT_EQ(kPluginPostHooks.pfnSpawn(nullptr), 0);
}
