// The cost of the plugin's per-frame work, against an empty function called
// through the same table in the same run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "config/variables.h"
#include "control/governor.h"
#include "diagnostics/frame_diagnostics.h"
#include "engine/plugin_state.h"
#include "plugin/dllapi.h"
#include "support/test_engine.h"

namespace {
std::atomic<long> s_allocations{0};

void EmptyStartFrame() { benchmark::ClobberMemory(); }
void EmptyPreThink(edict_t *) { benchmark::ClobberMemory(); }

struct Server {
    TestEngine engine;
    Server() {
        loadedByMetamod = true;
        RegisterMainVariables();
        RegisterOwnVariables();
        engine.globals.time = 1.0f;
        nextCheckTime = 1e9f;  // between checks
    }
};

void BM_EmptyStartFrame(benchmark::State &state) {
    DLL_FUNCTIONS table{};
    table.pfnStartFrame = EmptyStartFrame;
    DLL_FUNCTIONS *volatile through = &table;
    for (auto _ : state) through->pfnStartFrame();
}

// The frame hook with the frame-interval statistics (as shipped), and with
// them switched off: the hook as it was before them.
void BM_StartFrameHook(benchmark::State &state) {
    Server server;
    g_frameStatsOn = state.range(0) != 0;
    DLL_FUNCTIONS table{};
    InstallHooks(&table, kPluginHooks);
    DLL_FUNCTIONS *volatile through = &table;
    const long before = s_allocations.load();
    for (auto _ : state) through->pfnStartFrame();
    state.counters["allocations_per_frame"] =
        benchmark::Counter(static_cast<double>(s_allocations.load() - before) / static_cast<double>(state.iterations()));
    g_frameStatsOn = true;
}

void BM_EmptyPlayerPreThink(benchmark::State &state) {
    Server server;
    DLL_FUNCTIONS table{};
    table.pfnPlayerPreThink = EmptyPreThink;
    DLL_FUNCTIONS *volatile through = &table;
    edict_t *player = server.engine.Player(5);
    for (auto _ : state) through->pfnPlayerPreThink(player);
}

void BM_PlayerPreThinkHook(benchmark::State &state) {
    Server server;
    DLL_FUNCTIONS table{};
    InstallHooks(&table, kPluginHooks);
    DLL_FUNCTIONS *volatile through = &table;
    edict_t *player = server.engine.Player(5);
    for (auto _ : state) through->pfnPlayerPreThink(player);
}

// One check on an installed server: the plugin directory exists, so its log
// lines are written (the daily file, as by default); the interval histogram
// is summarised and merged into the map's.
void BM_GovernorCheck(benchmark::State &state) {
    Server server;
    server.engine.WriteFile("cstrike/addons/zeq_kestrin/logs/.keep", "");
    server.engine.SetVariable("zeq_kestrin_autofps", "300");
    for (auto _ : state) {
        nextCheckTime = 0.0f;
        frameCount = 1000;
        GovernorFrame();
    }
}
// What the statistics add to a check: the window of a 1000 fps server
// summarised, merged into the map's and cleared.
void BM_StatisticsWindowClose(benchmark::State &state) {
    Server server;
    FrameDiagnosticsMapStart();
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 4000; ++i) RecordFrameInterval();
        state.ResumeTiming();
        FrameDiagnosticsBeforeCheck(RateSteering{RateMode::Off, 0.0f, 0.0f});
    }
}
}  // namespace

BENCHMARK(BM_EmptyStartFrame);
BENCHMARK(BM_StartFrameHook)->ArgName("stats")->Arg(1)->Arg(0);
BENCHMARK(BM_EmptyPlayerPreThink);
BENCHMARK(BM_PlayerPreThinkHook);
BENCHMARK(BM_GovernorCheck);
BENCHMARK(BM_StatisticsWindowClose);

// Counts allocations; GCC cannot see that these new and delete pair up.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t size) {
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    void *memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }

BENCHMARK_MAIN();
