// The layouts the real engine and Metamod rely on, checked where the build
// runs (the same facts are static_asserts in sdk/abi_checks.h).
#include <gtest/gtest.h>

#include <cstddef>

#include "sdk/abi_checks.h"

TEST(Abi, TablesHaveTheirSlotCounts) {
    EXPECT_EQ(sizeof(enginefuncs_t) / sizeof(void *), 158u);
    EXPECT_EQ(sizeof(DLL_FUNCTIONS) / sizeof(void *), 50u);
    EXPECT_EQ(sizeof(NEW_DLL_FUNCTIONS) / sizeof(void *), 5u);
    EXPECT_EQ(sizeof(META_FUNCTIONS) / sizeof(void *), 8u);
    EXPECT_EQ(sizeof(mutil_funcs_t) / sizeof(void *), 18u);
}

TEST(Abi, EntityFieldsTheSpawnHookTouches) {
    EXPECT_EQ(offsetof(entvars_t, rendermode), 328u);
    if (sizeof(void *) == 4) {
        EXPECT_EQ(offsetof(entvars_t, flags), 420u);
        EXPECT_EQ(sizeof(edict_t), 804u);
        EXPECT_EQ(sizeof(cvar_t), 20u);
        EXPECT_EQ(sizeof(globalvars_t), 172u);
    } else {
        EXPECT_EQ(offsetof(entvars_t, flags), 444u);
        EXPECT_EQ(sizeof(edict_t), 864u);
        EXPECT_EQ(sizeof(cvar_t), 32u);
        EXPECT_EQ(sizeof(globalvars_t), 192u);
    }
    EXPECT_EQ(FL_WORLDBRUSH, 33554432);
}
