// Tests of the engine's side of a session: how the game library is loaded
// standalone, and what the game sees as maps, frames and clients go by.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_sim.h"
#include "games/standalone_sim.h"
#include "os/host_os.h"
#include "run/trace.h"
#include "script/script_repeat.h"
#include "session/session.h"

using hostsim::EngineSim;
using hostsim::Session;
using hostsim::StandaloneSim;

namespace {

// A game library linked into the test: its entry points and hooks log what
// the engine calls.
namespace game {

std::vector<std::string> log;
int entityVersionWanted = INTERFACE_VERSION;
bool rejectNext = false;
enginefuncs_t *engine = nullptr;
globalvars_t *globals = nullptr;

std::string Index(const edict_t *entity) { return std::to_string(engine->pfnIndexOfEdict(entity)); }

void ZK_STDCALL GiveFnptrs(enginefuncs_t *table, globalvars_t *vars) {
    engine = table;
    globals = vars;
    log.push_back("GiveFnptrsToDll");
}
int GetNewDLLFunctions(NEW_DLL_FUNCTIONS *, int *version) {
    log.push_back("GetNewDLLFunctions " + std::to_string(*version));
    return 1;
}
void GameInit() { log.push_back("GameInit"); }
int Spawn(edict_t *entity) {
    log.push_back("Spawn " + Index(entity));
    return 0;
}
qboolean ClientConnect(edict_t *entity, const char *name, const char *address, char *reject) {
    log.push_back("ClientConnect " + Index(entity) + " " + name + " " + address);
    if (!rejectNext) return 1;
    std::strcpy(reject, "banned");
    return 0;
}
void ClientPutInServer(edict_t *entity) { log.push_back("ClientPutInServer " + Index(entity)); }
void ClientDisconnect(edict_t *entity) { log.push_back("ClientDisconnect " + Index(entity)); }
void ServerActivate(edict_t *edicts, int count, int maxClients) {
    log.push_back("ServerActivate " + Index(edicts) + " " + std::to_string(count) + " " + std::to_string(maxClients) +
                  " " + (globals->pStringBase + globals->mapname));
}
void ServerDeactivate() { log.push_back("ServerDeactivate"); }
void StartFrame() {
    char text[64];
    std::snprintf(text, sizeof text, "StartFrame %.2f", static_cast<double>(globals->time));
    log.push_back(text);
}
void PlayerPreThink(edict_t *entity) { log.push_back("PlayerPreThink " + Index(entity)); }
const char *GameDescription() { return "Counter-Strike"; }
int GetEntityAPI2(DLL_FUNCTIONS *table, int *version) {
    log.push_back("GetEntityAPI2 " + std::to_string(*version));
    if (*version != entityVersionWanted) {
        *version = entityVersionWanted;
        return 0;
    }
    table->pfnGameInit = &GameInit;
    table->pfnSpawn = &Spawn;
    table->pfnClientConnect = &ClientConnect;
    table->pfnClientPutInServer = &ClientPutInServer;
    table->pfnClientDisconnect = &ClientDisconnect;
    table->pfnServerActivate = &ServerActivate;
    table->pfnServerDeactivate = &ServerDeactivate;
    table->pfnStartFrame = &StartFrame;
    table->pfnPlayerPreThink = &PlayerPreThink;
    table->pfnGetGameDescription = &GameDescription;
    return 1;
}
int Blending(int version, struct sv_blending_interface_s **, struct server_studio_api_s *, float (*)[3][4],
             float (*)[128][3][4]) {
    log.push_back("Server_GetBlendingInterface " + std::to_string(version));
    return 0;
}
void WorldSpawn(entvars_t *vars) {
    log.push_back(std::string("worldspawn ") + (globals->pStringBase + vars->classname));
}
void PlayerStart(entvars_t *vars) {
    log.push_back(std::string("info_player_start ") + (globals->pStringBase + vars->classname));
}

hostsim::PluginExports Exports(bool withSpawnPoint = true) {
    log.clear();
    entityVersionWanted = INTERFACE_VERSION;
    rejectNext = false;
    hostsim::PluginExports exports;
    exports.giveFnptrsToDll = &GiveFnptrs;
    exports.getNewDLLFunctions = &GetNewDLLFunctions;
    exports.getEntityAPI2 = &GetEntityAPI2;
    exports.serverGetBlendingInterface = &Blending;
    exports.findEntity = [withSpawnPoint](const char *name) -> ENTITY_FN {
        if (std::strcmp(name, "worldspawn") == 0) return &WorldSpawn;
        if (withSpawnPoint && std::strcmp(name, "info_player_start") == 0) return &PlayerStart;
        return nullptr;
    };
    return exports;
}

}  // namespace game

struct StandaloneServer {
    StandaloneServer() : dll(engine), session(engine, dll) {
        engine.setOutput([this](const char *text) { output += text; });
    }
    EngineSim engine;
    StandaloneSim dll;
    Session session;
    std::string output;
};

}  // namespace

TEST(Standalone, LoadsTheGameLibraryInTheEnginesOrder) {
    StandaloneServer server;
    ASSERT_TRUE(server.dll.load(game::Exports(), nullptr));
    std::vector<std::string> expected = {"GiveFnptrsToDll", "GetNewDLLFunctions 1", "GetEntityAPI2 140",
                                         "Server_GetBlendingInterface 1"};
    EXPECT_EQ(game::log, expected);
    EXPECT_EQ(game::engine, server.engine.engineFuncs());
}

TEST(Standalone, RefusesAnotherInterfaceVersion) {
    StandaloneServer server;
    hostsim::PluginExports exports = game::Exports();
    game::entityVersionWanted = 141;
    std::string error;
    EXPECT_FALSE(server.dll.load(exports, &error));
    EXPECT_EQ(error, "Game DLL version mismatch");
    EXPECT_NE(server.output.find("DLL version is 141, engine version is 140"), std::string::npos);
}

TEST(Session, AMissingEntityExportIsReported) {
    StandaloneServer server;
    ASSERT_TRUE(server.dll.load(game::Exports(false), nullptr));
    server.session.map("de_dust2");
    EXPECT_NE(server.output.find("Can't init info_player_start"), std::string::npos);
    EXPECT_EQ(server.dll.errorCount(), 1);
    EXPECT_EQ(server.engine.edictCount(), 33);  // the spawn point was freed
}

TEST(Session, FramesAdvanceGameTimeAndThinkForPlayersInServer) {
    StandaloneServer server;
    ASSERT_TRUE(server.dll.load(game::Exports(), nullptr));
    server.session.map("de_dust2");
    ASSERT_TRUE(server.session.connect("alice", "10.0.0.1:27005"));
    game::log.clear();
    server.engine.serverCommand("echo queued\n");
    server.session.wait(0.02, 100);
    std::vector<std::string> expected = {"StartFrame 1.01", "PlayerPreThink 1", "StartFrame 1.02",
                                         "PlayerPreThink 1"};
    EXPECT_EQ(game::log, expected);
    EXPECT_EQ(server.output, "> echo queued\nqueued \n");  // the buffer ran before the first frame
    server.session.wait(1, 10);
    EXPECT_NEAR(server.engine.globals()->time, 2.02f, 1e-4);
}

TEST(Session, ClientsConnectToFreeSlotsAndARefusalIsHonoured) {
    StandaloneServer server;
    ASSERT_TRUE(server.dll.load(game::Exports(), nullptr));
    server.session.map("de_dust2");
    game::log.clear();
    EXPECT_TRUE(server.session.connect("alice", "127.0.0.1:27005"));
    game::rejectNext = true;
    EXPECT_FALSE(server.session.connect("mallory", "127.0.0.1:27006"));
    game::rejectNext = false;
    EXPECT_TRUE(server.session.connect("bob", "127.0.0.1:27007"));
    EXPECT_TRUE(server.session.disconnect(1));
    EXPECT_FALSE(server.session.disconnect(1));
    std::vector<std::string> expected = {"ClientConnect 1 alice 127.0.0.1:27005", "ClientPutInServer 1",
                                         "ClientConnect 2 mallory 127.0.0.1:27006",
                                         "ClientConnect 2 bob 127.0.0.1:27007", "ClientPutInServer 2",
                                         "ClientDisconnect 1"};
    EXPECT_EQ(game::log, expected);
    EXPECT_NE(server.output.find("Client \"mallory\" rejected: banned"), std::string::npos);
    EXPECT_STREQ(server.engine.string(server.engine.edict(2)->v.netname), "bob");
}

TEST(Trace, WritesARowOnlyWhenTheRateChanges) {
    std::string path = hostsim::hostos::AbsolutePath("hostsim_test_trace.csv");
    EngineSim engine;
    cvar_t fps = {"zeq_fps", "0", 0, 0, nullptr};
    engine.registerCvar(&fps);
    {
        hostsim::Trace trace;
        ASSERT_TRUE(trace.open(path, nullptr));
        const char *values[] = {"60", "60", "60", "72", "72"};
        for (int i = 0; i < 5; ++i) {
            engine.setTime(1.0 + i, 1.0);
            engine.setCvar(&fps, values[i]);
            trace.sample(engine);
        }
        std::string svg = trace.svg();
        EXPECT_NE(svg.find("<polyline"), std::string::npos);
        EXPECT_NE(svg.find("sys_ticrate"), std::string::npos);
    }
    std::ifstream csv(path.c_str());
    std::stringstream text;
    text << csv.rdbuf();
    EXPECT_EQ(text.str(),
              "game_time,zeq_fps,sys_ticrate,zeq_kestrin_sleepsm\n"
              "1.000,60,100,\n"
              "4.000,72,100,\n");
    std::ifstream svg((path + ".svg").c_str());
    EXPECT_TRUE(svg.good());
    std::remove(path.c_str());
    std::remove((path + ".svg").c_str());
}

TEST(ScriptRepeat, NestedBlocksNumberTheirPassesAndMalformedBlocksAreRefused) {
    using hostsim::ScriptLine;
    std::vector<ScriptLine> lines = {{"s:1", "repeat 2 map"}, {"s:2", "map m{map}"},   {"s:3", "repeat 2 p"},
                                     {"s:4", "connect p{p}_{map}"}, {"s:5", "end"}, {"s:6", "end"},
                                     {"s:7", "quit"}};
    std::string error;
    ASSERT_TRUE(hostsim::ExpandRepeats(&lines, &error)) << error;
    std::vector<std::string> texts;
    for (const ScriptLine &line : lines) texts.push_back(line.second);
    EXPECT_EQ(texts, (std::vector<std::string>{"map m0", "connect p0_0", "connect p1_0", "map m1", "connect p0_1",
                                               "connect p1_1", "quit"}));
    EXPECT_EQ(lines[1].first, "s:4");

    for (const std::vector<ScriptLine> &bad :
         {std::vector<ScriptLine>{{"s:1", "repeat 2"}, {"s:2", "wait 1"}},
          std::vector<ScriptLine>{{"s:1", "end"}},
          std::vector<ScriptLine>{{"s:1", "repeat x"}, {"s:2", "end"}},
          std::vector<ScriptLine>{{"s:1", "repeat -1"}, {"s:2", "end"}}}) {
        std::vector<ScriptLine> copy = bad;
        EXPECT_FALSE(hostsim::ExpandRepeats(&copy, &error)) << bad[0].second;
    }
}
