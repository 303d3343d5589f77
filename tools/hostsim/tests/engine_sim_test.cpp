// Tests of the simulator itself: the parts where a plugin relies on the
// engine's or Metamod's exact behaviour.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_sim.h"
#include "metamod/metamod_sim.h"
#include "os/host_os.h"

using hostsim::EngineSim;
using hostsim::MetamodSim;

namespace {

// An engine whose console output is collected instead of printed.
struct CapturingEngine {
    CapturingEngine() : CapturingEngine(EngineSim::Options()) {}
    explicit CapturingEngine(const EngineSim::Options &options) : engine(options) {
        engine.setOutput([this](const char *text) { output += text; });
    }
    EngineSim engine;
    std::string output;
};

std::vector<std::string> g_handlerArgs;

void RecordArgsCommand() {
    enginefuncs_t *e = EngineSim::current()->engineFuncs();
    g_handlerArgs.clear();
    for (int i = 0; i < e->pfnCmd_Argc(); ++i) g_handlerArgs.push_back(e->pfnCmd_Argv(i));
    g_handlerArgs.push_back(std::string("args=") + e->pfnCmd_Args());
}

}  // namespace

// ------------------------------------------------------------ command buffer

TEST(CommandBuffer, ServerCommandRunsLaterSplitOnSemicolonsOutsideQuotes) {
    CapturingEngine sim;
    sim.engine.engineFuncs()->pfnServerCommand(const_cast<char *>("echo \"a;b\";echo c\necho d;"));
    EXPECT_EQ(sim.output, "");  // queued, not run inside the call
    sim.engine.executeCommandBuffer();
    EXPECT_EQ(sim.output, "> echo \"a;b\"\na;b \n> echo c\nc \n> echo d\nd \n");
    EXPECT_TRUE(sim.engine.commandBuffer().empty());
}

TEST(CommandBuffer, RejectsTextWithoutTerminator) {
    CapturingEngine sim;
    sim.engine.engineFuncs()->pfnServerCommand(const_cast<char *>("sys_ticrate 1000"));
    EXPECT_EQ(sim.output, "Error, bad server command sys_ticrate 1000\n");
    EXPECT_TRUE(sim.engine.commandBuffer().empty());
}

TEST(CommandBuffer, CommandsQueuedByACommandRunInTheSamePass) {
    CapturingEngine sim;
    sim.engine.addServerCommand("again", [] { EngineSim::current()->serverCommand("echo inner\n"); });
    sim.engine.serverCommand("again\n");
    sim.engine.executeCommandBuffer();
    EXPECT_EQ(sim.output, "> again\n> echo inner\ninner \n");
}

// ------------------------------------------------------------ console and arguments

TEST(Console, TokenizesLikeTheEngine) {
    CapturingEngine sim;
    sim.engine.engineFuncs()->pfnAddServerCommand(const_cast<char *>("zk_args"), &RecordArgsCommand);
    sim.engine.executeLine("  zk_args one \"two words\"  \"\" three  ");
    std::vector<std::string> expected = {"zk_args", "one", "two words", "", "three",
                                         "args=one \"two words\"  \"\" three"};
    EXPECT_EQ(g_handlerArgs, expected);
    EXPECT_STREQ(sim.engine.engineFuncs()->pfnCmd_Argv(9), "");
}

TEST(Console, VariablesAndUnknownCommands) {
    CapturingEngine sim;
    sim.engine.executeLine("sys_ticrate");
    sim.engine.executeLine("SYS_TICRATE 250.5");
    sim.engine.executeLine("no_such_thing 1");
    EXPECT_EQ(sim.output, "\"sys_ticrate\" is \"100\"\nUnknown command: no_such_thing\n");
    cvar_t *ticrate = sim.engine.findCvar("sys_ticrate");
    ASSERT_NE(ticrate, nullptr);
    EXPECT_STREQ(ticrate->string, "250.5");
    EXPECT_FLOAT_EQ(ticrate->value, 250.5f);
}

// ------------------------------------------------------------ variables

TEST(Cvars, EngineKeepsThePluginsStructWithItsOwnString) {
    CapturingEngine sim;
    static const char kInitial[] = "60";
    cvar_t variable = {"zeq_fps", kInitial, FCVAR_SERVER, 0, nullptr};
    sim.engine.engineFuncs()->pfnCVarRegister(&variable);
    EXPECT_EQ(sim.engine.engineFuncs()->pfnCVarGetPointer("zeq_fps"), &variable);
    EXPECT_NE(variable.string, kInitial);
    EXPECT_STREQ(variable.string, "60");
    EXPECT_FLOAT_EQ(variable.value, 60.0f);

    cvar_t duplicate = {"ZEQ_FPS", "1", 0, 0, nullptr};
    sim.engine.engineFuncs()->pfnCVarRegister(&duplicate);
    EXPECT_EQ(sim.output, "Can't register variable ZEQ_FPS, already defined\n");
    EXPECT_EQ(sim.engine.findCvar("zeq_fps"), &variable);
    EXPECT_EQ(sim.engine.engineFuncs()->pfnCVarGetPointer("missing"), nullptr);
}

TEST(Cvars, DirectSetStoresACopyAndItsValue) {
    EngineSim engine;
    cvar_t *ticrate = engine.findCvar("sys_ticrate");
    ASSERT_NE(ticrate, nullptr);
    char text[] = "12.5";
    engine.engineFuncs()->pfnCvar_DirectSet(ticrate, text);
    std::strcpy(text, "99");
    EXPECT_STREQ(ticrate->string, "12.5");
    EXPECT_FLOAT_EQ(ticrate->value, 12.5f);
    // Setting a variable to its own string must not read freed memory.
    engine.engineFuncs()->pfnCvar_DirectSet(ticrate, const_cast<char *>(ticrate->string));
    EXPECT_STREQ(ticrate->string, "12.5");
    engine.engineFuncs()->pfnCvar_DirectSet(ticrate, const_cast<char *>("fast"));
    EXPECT_FLOAT_EQ(ticrate->value, 0.0f);
}

// ------------------------------------------------------------ failing loudly

TEST(UnexpectedCallsDeathTest, AbortWithTheSlotName) {
    EngineSim engine;
    enginefuncs_t *e = engine.engineFuncs();
    EXPECT_DEATH(e->pfnPrecacheModel(const_cast<char *>("models/x.mdl")), "unexpected engine call pfnPrecacheModel");
    EXPECT_DEATH(e->pfnAlertMessage(at_console, const_cast<char *>("%d\n"), 1),
                 "unexpected engine call pfnAlertMessage");
    EXPECT_DEATH(e->pfnEngCheckParm("-x", nullptr), "unexpected engine call pfnEngCheckParm");
    int dummy = 0;
    EXPECT_DEATH(e->pfnFreeFile(&dummy), "pfnFreeFile with a pointer");
    for (void *slack : engine.engineTable().slack) EXPECT_EQ(slack, nullptr);
}

// ------------------------------------------------------------ Metamod

namespace {

namespace fake {

enginefuncs_t engine;
meta_globals_t *meta = nullptr;
mutil_funcs_t *util = nullptr;
std::vector<std::string> order;
plugin_info_t info = {META_INTERFACE_VERSION, "fake", "1.0", "today", "us", "", "FAKE", PT_STARTUP, PT_ANYTIME};
cvar_t variable = {"fake_var", "7", FCVAR_SERVER, 0, nullptr};
META_RES startFrameResult = MRES_IGNORED;
bool commandRan = false;

void MetaInit() { order.push_back("Meta_Init"); }
void ZK_STDCALL GiveFnptrs(enginefuncs_t *table, globalvars_t *) {
    order.push_back("GiveFnptrsToDll");
    std::memcpy(&engine, table, sizeof engine);
}
int MetaQuery(char *version, plugin_info_t **plugin, mutil_funcs_t *utilities) {
    order.push_back(std::string("Meta_Query ") + version);
    *plugin = &info;
    util = utilities;
    return 1;
}
void StartFrame() { meta->mres = startFrameResult; }
int GetEntityAPI2(DLL_FUNCTIONS *table, int *version) {
    order.push_back("GetEntityAPI2 " + std::to_string(*version));
    table->pfnStartFrame = &StartFrame;
    return 1;
}
int MetaAttach(PLUG_LOADTIME now, META_FUNCTIONS *functions, meta_globals_t *globals, gamedll_funcs_t *) {
    order.push_back("Meta_Attach " + std::to_string(now));
    functions->pfnGetEntityAPI2 = &GetEntityAPI2;
    meta = globals;
    engine.pfnCVarRegister(&variable);
    engine.pfnAddServerCommand(const_cast<char *>("fake_cmd"), [] { commandRan = true; });
    return 1;
}
int MetaDetach(PLUG_LOADTIME now, PL_UNLOAD_REASON reason) {
    order.push_back("Meta_Detach " + std::to_string(now) + " " + std::to_string(reason));
    return 1;
}

hostsim::PluginExports Exports() {
    order.clear();
    commandRan = false;
    startFrameResult = MRES_IGNORED;
    hostsim::PluginExports exports;
    exports.metaInit = &MetaInit;
    exports.giveFnptrsToDll = &GiveFnptrs;
    exports.metaQuery = &MetaQuery;
    exports.metaAttach = &MetaAttach;
    exports.metaDetach = &MetaDetach;
    return exports;
}

}  // namespace fake

}  // namespace

TEST(Metamod, AttachesInMetamodsOrderAndRegistersACopyOfTheCvar) {
    CapturingEngine sim;
    static const char *const kPluginString = fake::variable.string;
    {
        MetamodSim metamod(sim.engine);
        std::string error;
        ASSERT_TRUE(metamod.attach(fake::Exports(), &error)) << error;
        std::vector<std::string> expected = {"Meta_Init", "GiveFnptrsToDll", "Meta_Query 5:13", "Meta_Attach 1",
                                             "GetEntityAPI2 140"};
        EXPECT_EQ(fake::order, expected);

        cvar_t *live = sim.engine.engineFuncs()->pfnCVarGetPointer("fake_var");
        ASSERT_NE(live, nullptr);
        EXPECT_NE(live, &fake::variable);
        EXPECT_NE(live->name, fake::variable.name);
        sim.engine.executeLine("fake_var 9");
        EXPECT_FLOAT_EQ(live->value, 9.0f);
        EXPECT_EQ(fake::variable.string, kPluginString);  // the plugin's struct is never touched
        EXPECT_FLOAT_EQ(fake::variable.value, 0.0f);

        sim.engine.executeLine("fake_cmd");
        EXPECT_TRUE(fake::commandRan);
        // Metamod finds a command as the engine does, whatever its case.
        fake::commandRan = false;
        sim.engine.executeLine("FAKE_Cmd");
        EXPECT_TRUE(fake::commandRan) << sim.output;

        metamod.detach();
        EXPECT_EQ(fake::order.back(), "Meta_Detach 3 4");
        sim.engine.executeLine("fake_cmd");
        EXPECT_NE(sim.output.find("[metamod: command 'fake_cmd' unavailable; plugin unloaded]"), std::string::npos);
        // Registered again in another case: the same command comes back.
        fake::commandRan = false;
        fake::engine.pfnAddServerCommand(const_cast<char *>("Fake_Cmd"), [] { fake::commandRan = true; });
        sim.engine.executeLine("fake_cmd");
        EXPECT_TRUE(fake::commandRan);
    }
    EXPECT_EQ(sim.engine.findCvar("fake_var"), nullptr);
}

TEST(Metamod, HooksRunAroundTheGameAndAnUnsetResultIsAnError) {
    CapturingEngine sim;
    MetamodSim metamod(sim.engine);
    ASSERT_TRUE(metamod.attach(fake::Exports(), nullptr));

    metamod.startFrame();
    EXPECT_EQ(metamod.errorCount(), 0);
    ASSERT_EQ(metamod.gameCalls().size(), 1u);
    EXPECT_EQ(metamod.gameCalls()[0], "pfnStartFrame()");

    fake::startFrameResult = MRES_SUPERCEDE;
    metamod.startFrame();
    EXPECT_EQ(metamod.gameCalls().size(), 1u);

    fake::startFrameResult = MRES_UNSET;
    metamod.startFrame();
    metamod.startFrame();
    EXPECT_EQ(metamod.errorCount(), 2);
    EXPECT_NE(sim.output.find("Plugin didn't set meta_result: pfnStartFrame"), std::string::npos);

    char reject[128] = "";
    EXPECT_EQ(metamod.clientConnect(sim.engine.edict(1), "alice", "127.0.0.1:27005", reject), 1);
}

TEST(Metamod, RefusesAPluginForANewerInterface) {
    EngineSim engine;
    MetamodSim metamod(engine);
    fake::info.ifvers = "5:14";
    std::string error;
    EXPECT_FALSE(metamod.attach(fake::Exports(), &error));
    fake::info.ifvers = META_INTERFACE_VERSION;
    EXPECT_NE(error.find("newer version of Metamod"), std::string::npos);
    EXPECT_FALSE(metamod.attached());
}

// ------------------------------------------------------------ the stub game

