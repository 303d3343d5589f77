#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/hpk_bridge.h"
#include "commands/map_timers.h"
#include "config/variables.h"
#include "control/governor.h"
#include "engine/build_number.h"
#include "engine/engine_services.h"
#include "engine/known_mods.h"
#include "engine/plugin_state.h"
#include "platform/fault_points.h"
#include "platform/platform.h"
#include "plugin/dllapi.h"
#include "plugin/entry_points.h"
#include "support/test_engine.h"
#include "window/info_window.h"

namespace {
std::vector<std::string> s_metamodLog;

#define RECORDER(Name, kind)                                              \
    void Name(plid_t, const char *format, ...) {                          \
        char text[1024];                                                  \
        va_list args;                                                     \
        va_start(args, format);                                           \
        std::vsnprintf(text, sizeof(text), format, args);                 \
        va_end(args);                                                     \
        s_metamodLog.push_back(std::string(kind) + text);                 \
    }
RECORDER(LogConsole, "console: ")
RECORDER(LogMessageFn, "message: ")
RECORDER(LogError, "error: ")
#undef RECORDER

mutil_funcs_t *MetamodUtilities() {
    static mutil_funcs_t mutil{};
    mutil.pfnLogConsole = LogConsole;
    mutil.pfnLogMessage = LogMessageFn;
    mutil.pfnLogError = LogError;
    s_metamodLog.clear();
    return &mutil;
}

int Query(const char *version) {
    Plugin_info.ifvers = META_INTERFACE_VERSION;
    plugin_info_t *info = nullptr;
    const int result = Meta_Query(const_cast<char *>(version), &info, MetamodUtilities());
    EXPECT_EQ(info, &Plugin_info);
    return result;
}

int SlotCount(const DLL_FUNCTIONS &table) {
    const void *const *slots = reinterpret_cast<const void *const *>(&table);
    int n = 0;
    for (std::size_t i = 0; i < kDllFunctionsSlots; ++i) n += slots[i] != nullptr;
    return n;
}
}  // namespace

TEST(MetaQuery, OwnVersionSilentlyNewerMinorAdoptedOlderOrForeignRefused) {
    EXPECT_EQ(Query("5:13"), 1);
    EXPECT_TRUE(s_metamodLog.empty());

    EXPECT_EQ(Query("5:14"), 1);
    ASSERT_EQ(s_metamodLog.size(), 2u);
    EXPECT_EQ(s_metamodLog[0],
              "console: ZEQ Kes-Trin: meta-interface version mismatch (metamod: 5:14, ZEQ Kes-Trin: 5:13)");
    EXPECT_STREQ(Plugin_info.ifvers, "5:14");

    const std::string tooOld = "error: metamod version is too old for this plugin; update metamod";
    for (const char *version : {"5:12", "4:20", "", "abc", "x:y", static_cast<const char *>(nullptr)}) {
        EXPECT_EQ(Query(version), 0) << (version ? version : "null");
        EXPECT_EQ(s_metamodLog.back(), tooOld) << (version ? version : "null");
    }
    EXPECT_EQ(Query("6:0"), 0);
    EXPECT_EQ(s_metamodLog.back(),
              "error: metamod version is incompatible with this plugin; please find a newer version of this plugin");

    plugin_info_t *info = nullptr;
    EXPECT_EQ(Meta_Query(const_cast<char *>("5:13"), &info, nullptr), 0);
}

TEST(EntityApi, VersionIsNegotiatedAndMetamodGetsElevenHooksAndThreePostHooks) {
    TestEngine engine;
    loadedByMetamod = true;
    DLL_FUNCTIONS table{}, post{};
    int version = 139;
    EXPECT_EQ(GetEntityAPI2(nullptr, &version), 0);
    EXPECT_EQ(GetEntityAPI2(&table, &version), 0);
    EXPECT_EQ(version, 140);
    ASSERT_EQ(GetEntityAPI2(&table, &version), 1);
    ASSERT_EQ(GetEntityAPI2_Post(&post, &version), 1);
    EXPECT_EQ(SlotCount(table), 11);
    EXPECT_EQ(SlotCount(post), 3);
    EXPECT_NE(table.pfnStartFrame, nullptr);
    EXPECT_EQ(table.pfnThink, nullptr);
    EXPECT_NE(post.pfnSpawn, nullptr);
    EXPECT_NE(post.pfnServerActivate, nullptr);

    NEW_DLL_FUNCTIONS newTable{};
    version = 1;
    EXPECT_EQ(GetNewDLLFunctions(&newTable, &version), 0);
    EXPECT_EQ(Server_GetBlendingInterface(1, nullptr, nullptr, nullptr, nullptr), 0);
}

TEST(MetaAttach, RefusedAtMapChangeTakesThreeMillisecondsRegistersTheVariablesAndDetachNeedsForce) {
    TestEngine engine;
    loadedByMetamod = true;
    gpMetaUtilFuncs = MetamodUtilities();
    META_FUNCTIONS functions{};
    gamedll_funcs_t gamedll{};
    EXPECT_EQ(Meta_Attach(PT_CHANGELEVEL, &functions, &engine.metaGlobals, &gamedll), 0);
    EXPECT_EQ(s_metamodLog.back(), "error: ZEQ Kes-Trin: plugin NOT attaching (can't load plugin right now)");
    EXPECT_EQ(Meta_Attach(PT_STARTUP, nullptr, &engine.metaGlobals, &gamedll), 0);
    EXPECT_EQ(functions.pfnGetEntityAPI2, nullptr);

    ASSERT_EQ(Meta_Attach(PT_STARTUP, &functions, &engine.metaGlobals, &gamedll), 1);
    EXPECT_EQ(TimerPeriod(), 3u);  // the device minimum here is 1 ms
    EXPECT_EQ(functions.pfnGetEntityAPI2, GetEntityAPI2);
    EXPECT_EQ(functions.pfnGetEntityAPI2_Post, GetEntityAPI2_Post);
    EXPECT_EQ(functions.pfnGetEntityAPI, nullptr);
    EXPECT_EQ(functions.pfnGetEngineFunctions, nullptr);
    EXPECT_EQ(engine.VariableText("zeq_fps"), "100");
    EXPECT_EQ(engine.VariableText("zeq_kestrin_version"), "1.70");
    EXPECT_EQ(engine.VariableText("zeq_kestrin_cpu_level"), "75");
    EXPECT_EQ(engine.VariableText("sys_ticrate"), "100.0");
    EXPECT_EQ(engine.Variable("sys_ticrate")->flags & (FCVAR_SERVER | FCVAR_UNLOGGED), FCVAR_SERVER | FCVAR_UNLOGGED);
    EXPECT_EQ(engine.Variable("zeq_fps")->flags, FCVAR_SERVER | FCVAR_EXTDLL | FCVAR_UNLOGGED);
    EXPECT_EQ(engine.Variable("zeq_kestrin_autofps")->flags, FCVAR_EXTDLL);
    EXPECT_EQ(engine.Variable("zeq_kestrin_version")->flags, FCVAR_SERVER | FCVAR_EXTDLL);
    EXPECT_NE(engine.console.find("[ZEQ Kes-Trin] =============-----------------------------============="),
              std::string::npos);

    EXPECT_EQ(Meta_Detach(PT_ANYTIME, PNL_COMMAND), 0);
    EXPECT_EQ(s_metamodLog.back(), "error: ZEQ Kes-Trin: plugin not detaching (can't unload plugin right now)");
    EXPECT_EQ(Meta_Detach(PT_ANYTIME, PNL_CMD_FORCED), 1);
    EXPECT_EQ(Meta_Detach(PT_NEVER, PNL_COMMAND), 1);
}

TEST(Registry, OwnVariablesAndTheSixtiethLimit) {
    TestEngine engine;
    RegisterMainVariables();
    RegisterOwnVariables();
    EXPECT_EQ(RegistryCount(), 10);
    EXPECT_EQ(engine.VariableText("zeq_kestrin_hostname"), "Hostname");
    EXPECT_EQ(engine.VariableText("zeq_kestrin_hpk_delay"), "14");
    EXPECT_EQ(engine.Variable("zeq_kestrin_hpk")->flags, FCVAR_SERVER | FCVAR_EXTDLL);
    EXPECT_EQ(VariableInt(RegistryHandle(REG_HPK_MAXPING)), 100);
    while (RegistryCount() < 60) RegisterVariable(REG_HOSTNAME, "x", FCVAR_SERVER | FCVAR_EXTDLL);
#if defined(_WIN32)
    GTEST_SKIP() << "the critical error shows a modal message box on Windows";
#endif
    EXPECT_EXIT(RegisterVariable(REG_HOSTNAME, "x", 0), ::testing::ExitedWithCode(1), "");
}

// Full paths and trailing separators are the gamedir_separators scenario's;
// an unsupported game ending the server is the unsupported_game scenario's.
TEST(KnownMods, GameDirectoryNamesAndVersions) {
    TestEngine engine;
    engine.gameDirText = "/srv/hlds/czero//";
    EXPECT_STREQ(GameDirName(), "czero");
    ASSERT_NE(FindKnownMod(GameDirName()), nullptr);
    EXPECT_EQ(FindKnownMod(GameDirName())->gameVersion, 2);
    engine.gameDirText = "cs13";
    EXPECT_EQ(FindKnownMod(GameDirName())->gameVersion, 3);
    for (const char *name : {"valve", "Cstrike", ""}) EXPECT_EQ(FindKnownMod(name), nullptr) << name;
}

TEST(BuildNumber, FromTheCompilersDate) {
    EXPECT_EQ(BuildNumberFromDate("Sep  2 2009"), 2052u);
    EXPECT_EQ(BuildNumberFromDate("Jan  1 2001"), 4294966182u);  // wraps below the base, as 32-bit unsigned
    EXPECT_EQ(BuildNumberFromDate("Mar  1 2008") - BuildNumberFromDate("Feb 28 2008"), 2u);  // leap day counted
    EXPECT_EQ(BuildNumberFromDate("Dec 25 2026"), BuildNumberFromDate("Nov 25 2026") + 30u);  // December reads as November
    EXPECT_EQ(BuildNumberFromDate(nullptr), 0u);
}

// What the library holds between load and unload: its system timers and the
// window's fonts.  Nothing it started may outlive it.
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
    uint64_t slack = 0, slackAfter = 0;
    ASSERT_TRUE(platform::TimerResolutionInForce(&slack));
    ASSERT_EQ(Meta_Attach(PT_STARTUP, &functions, &engine.metaGlobals, &gamedll), 1);
    StartEveryTimer(engine);
    engine.SetVariable("zeq_kestrin_sleepsm", "10");
    ApplyTimerPeriod();
    EXPECT_EQ(Meta_Detach(PT_ANYTIME, PNL_COMMAND), 0);  // refused: the plugin stays and its timers run on
    EXPECT_EQ(platform::LiveSystemTimers(), 4);
    EXPECT_EQ(Meta_Detach(PT_ANYTIME, PNL_CMD_FORCED), 1);
    EXPECT_EQ(platform::LiveSystemTimers(), 0);
    EXPECT_EQ(HpkResendTimerId(), 0u);
    // The timer period is given back: a server kept at 10 ms would lose frames.
    ASSERT_TRUE(platform::TimerResolutionInForce(&slackAfter));
    EXPECT_EQ(slackAfter, slack);
}

TEST(LibraryLifetime, StandaloneUnloadStopsEveryTimer) {
    TestEngine engine;
    loadedByMetamod = false;
    GiveFnptrsToDll(&engine.table, &engine.globals);  // no game library here: only logged
    // The engine is asked for the missing library first (a Steam server
    // extracts it from its cache then).
    const std::string library = std::string("cstrike") + platform::kPathSeparator + "dlls" + platform::kPathSeparator +
                                GameLibraryName(*FindKnownMod("cstrike"));
    EXPECT_NE(std::find(engine.calls.begin(), engine.calls.end(), "pfnLoadFileForMe(" + library + ")"),
              engine.calls.end());
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

// The post hooks Metamod calls after the game library's own: a spawned
// entity drawn as a transparent texture stops counting as a world brush;
// every other entity keeps its flags.
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
