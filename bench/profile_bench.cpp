// What the frame profile costs a hooked call, through the dispatch Metamod
// does (the plugin's pre hook, the game's function, the plugin's post hook),
// against the same dispatch with the tables a server gets without the
// launch option, in the same run.
#include <benchmark/benchmark.h>

#include "config/variables.h"
#include "control/governor.h"
#include "diagnostics/frame_profile.h"
#include "engine/plugin_state.h"
#include "plugin/dllapi.h"
#include "plugin/profile_hooks.h"
#include "support/test_engine.h"

namespace {
void GameThink(edict_t *) { benchmark::ClobberMemory(); }
void GamePreThink(edict_t *) { benchmark::ClobberMemory(); }
void GamePostThink(edict_t *) { benchmark::ClobberMemory(); }

struct Dispatch {
    DLL_FUNCTIONS pre{}, post{}, game{};
};

// Metamod's order for one function: pre hooks, the game, post hooks.
template <typename Slot>
void Call(const Dispatch *d, Slot slot, edict_t *entity) {
    if (d->pre.*slot != nullptr) (d->pre.*slot)(entity);
    (d->game.*slot)(entity);
    if (d->post.*slot != nullptr) (d->post.*slot)(entity);
}

// 0: the tables of a server started without -zeq_kestrin_profile;
// 1: the profile's tables, zeq_kestrin_profile 0; 2: measuring.
void Setup(Dispatch *d, int mode) {
    d->game.pfnThink = GameThink;
    d->game.pfnPlayerPreThink = GamePreThink;
    d->game.pfnPlayerPostThink = GamePostThink;
    InstallHooks(&d->pre, mode == 0 ? kPluginHooks : kProfiledPreHooks);
    InstallHooks(&d->post, mode == 0 ? kPluginPostHooks : kProfiledPostHooks);
    g_profileMeasuring = mode == 2;
}

void BM_MetamodThink(benchmark::State &state) {
    TestEngine engine;
    loadedByMetamod = true;
    Dispatch table;
    Setup(&table, static_cast<int>(state.range(0)));
    const Dispatch *volatile d = &table;
    edict_t *entity = engine.Player(5);
    for (auto _ : state) Call(d, &DLL_FUNCTIONS::pfnThink, entity);
    g_profileMeasuring = false;
}

void BM_MetamodPlayerPreThink(benchmark::State &state) {
    TestEngine engine;
    loadedByMetamod = true;
    Dispatch table;
    Setup(&table, static_cast<int>(state.range(0)));
    const Dispatch *volatile d = &table;
    edict_t *entity = engine.Player(5);
    for (auto _ : state) Call(d, &DLL_FUNCTIONS::pfnPlayerPreThink, entity);
    g_profileMeasuring = false;
}

// What measuring adds to a whole frame of a full server: 32 players'
// PreThink and PostThink, 100 entity thinks and the frame's close, through
// Metamod's dispatch, without the launch option (0) and measuring (2).  The
// difference, times 1000 frames a second, is the processor time the profile
// costs such a server each second.
void BM_ScriptedFrame32Players(benchmark::State &state) {
    TestEngine engine;
    loadedByMetamod = true;
    Dispatch table;
    Setup(&table, static_cast<int>(state.range(0)));
    const Dispatch *volatile d = &table;
    edict_t *players[32];
    for (int i = 0; i < 32; ++i) players[i] = engine.Player(i + 1);
    edict_t *thinker = engine.Player(5);
    for (auto _ : state) {
        for (edict_t *player : players) Call(d, &DLL_FUNCTIONS::pfnPlayerPreThink, player);
        for (int i = 0; i < 100; ++i) Call(d, &DLL_FUNCTIONS::pfnThink, thinker);
        for (edict_t *player : players) Call(d, &DLL_FUNCTIONS::pfnPlayerPostThink, player);
        ProfileFrameEnd(1000000);
    }
    g_profileMeasuring = false;
}

// The clock read the profile takes twice a call.
void BM_ProfileClockRead(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(platform::ProfileTicks());
}
}  // namespace

BENCHMARK(BM_MetamodThink)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_MetamodPlayerPreThink)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_ScriptedFrame32Players)->Arg(0)->Arg(2);
BENCHMARK(BM_ProfileClockRead);
