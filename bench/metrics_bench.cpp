// What the metrics file adds: a governor check with zeq_kestrin_metrics 1
// against the same check with it 0, in the same run; and the frame hook
// between checks with the metrics on (it must cost what it costs without).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "config/diagnostic_variables.h"
#include "config/variables.h"
#include "control/governor.h"
#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/metrics.h"
#include "engine/plugin_state.h"
#include "plugin/dllapi.h"
#include "support/test_engine.h"

namespace {

struct MetricsServer {
    TestEngine engine;
    explicit MetricsServer(bool metrics) {
        loadedByMetamod = true;
        RegisterMainVariables();
        RegisterOwnVariables();
        RegisterDiagnosticVariables();
        engine.RegisterEngineVariable("port", "27015");
        engine.RegisterEngineVariable("hostport", "27015");
        engine.WriteFile("cstrike/addons/zeq_kestrin/logs/.keep", "");
        engine.SetVariable("zeq_kestrin_autofps", "300");
        engine.SetVariable("zeq_kestrin_metrics", metrics ? "1" : "0");
        engine.globals.time = 1.0f;
        FrameDiagnosticsMapStart();
    }
};

// One check of a 1000 fps server: its 4000-frame window closed, the log
// lines written and, with the metrics on, the file rewritten.
void BM_CheckWithMetrics(benchmark::State &state) {
    MetricsServer server(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 4000; ++i) RecordFrameInterval();
        state.ResumeTiming();
        nextCheckTime = 0.0f;
        frameCount = 4000;
        GovernorFrame();
    }
    if (state.range(0) != 0 && !server.engine.Exists("cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_27015.prom"))
        state.SkipWithError("no metrics file written");
}

// The text alone: a snapshot formatted into the file's 4.4 KB.
void BM_MetricsFormat(benchmark::State &state) {
    MetricsSnapshot snapshot{};
    snapshot.port = 27015;
    snapshot.game = "cstrike";
    snapshot.version = "1.70";
    snapshot.platformName = "linux-i386";
    snapshot.map = "de_dust2";
    snapshot.haveWindow = snapshot.haveCpu = snapshot.haveTimerResolution = true;
    snapshot.timerResolutionKind = "slack";
    static char text[16384];
    std::size_t length = 0;
    for (auto _ : state) benchmark::DoNotOptimize(FormatMetrics(snapshot, text, sizeof(text), &length));
}

// The baseline of the file's share: the same number of bytes written with
// fopen, fwrite and fclose to a temporary name and renamed over the file.
void BM_BareReplaceFile(benchmark::State &state) {
    TestEngine engine;
    const std::string text(4400, 'x');
    for (auto _ : state) {
        std::FILE *file = std::fopen("metrics.tmp", "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        std::rename("metrics.tmp", "metrics.prom");
    }
}

void BM_StartFrameHookWithMetrics(benchmark::State &state) {
    MetricsServer server(true);
    nextCheckTime = 1e9f;  // between checks
    DLL_FUNCTIONS table{};
    InstallHooks(&table, kPluginHooks);
    DLL_FUNCTIONS *volatile through = &table;
    for (auto _ : state) through->pfnStartFrame();
}

}  // namespace

BENCHMARK(BM_CheckWithMetrics)->ArgName("metrics")->Arg(0)->Arg(1);
BENCHMARK(BM_MetricsFormat);
BENCHMARK(BM_BareReplaceFile);
BENCHMARK(BM_StartFrameHookWithMetrics);
