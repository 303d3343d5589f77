// One LogMessage of a typical line (zeq_kestrin_logs 1: Kestrin.log; 2: one
// file a day), against appending the same finished line with a bare
// fopen("at") + fputs + fclose to a file in the same directory, in the same
// run.  Also a developer line at zeq_kestrin_loglevel 0, which must write
// nothing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "log/log.h"
#include "support/test_engine.h"

namespace {

namespace fs = std::filesystem;

const char kLogDir[] = "cstrike/addons/zeq_kestrin/logs";
const char kTypicalLine[] = "[12:34:56] [ZEQ] LOG: [SYS] Sys_ticrate set to 250\n";

struct Server {
    TestEngine engine;

    explicit Server(int logs) {
        engine.WriteFile(std::string(kLogDir) + "/.keep", "");
        LogMessage(false, LOGLEVEL_LOG, LOGMODE_DEV, "registers the log variables");
        engine.SetVariable("zeq_kestrin_logs", std::to_string(logs));
        engine.SetVariable("zeq_kestrin_loglevel", "0");
        EmptyLogs();
    }
    // Empties every file of the log directory.
    void EmptyLogs() {
        std::error_code error;
        for (const fs::directory_entry &entry : fs::directory_iterator(kLogDir, error))
            fs::resize_file(entry.path(), 0, error);
    }
    // Lines in every file of the log directory, and whether each one ends
    // with the text.
    long Lines(const std::string &ending, bool *allEnd) {
        long lines = 0;
        *allEnd = true;
        std::error_code error;
        for (const fs::directory_entry &entry : fs::directory_iterator(kLogDir, error)) {
            std::FILE *file = std::fopen(entry.path().string().c_str(), "r");
            if (file == nullptr) continue;
            char line[1100];
            while (std::fgets(line, sizeof(line), file) != nullptr) {
                ++lines;
                const std::string text = line;
                if (text.size() < ending.size() ||
                    text.compare(text.size() - ending.size(), ending.size(), ending) != 0)
                    *allEnd = false;
            }
            std::fclose(file);
        }
        return lines;
    }
};

void CheckLines(benchmark::State &state, Server &server, long expected) {
    bool allEnd = false;
    const long lines = server.Lines("Sys_ticrate set to 250\n", &allEnd);
    if (lines != expected || !allEnd) state.SkipWithError("the log does not hold exactly one line per call");
}

void BM_LogStdioAppendBaseline(benchmark::State &state) {
    Server server(1);
    const std::string path = std::string(kLogDir) + "/baseline.log";
    for (auto _ : state) {
        std::FILE *file = std::fopen(path.c_str(), "at");
        if (file == nullptr) {
            state.SkipWithError("cannot open the log file");
            break;
        }
        std::fputs(kTypicalLine, file);
        std::fclose(file);
    }
    CheckLines(state, server, static_cast<long>(state.iterations()));
}

void BM_LogMessage(benchmark::State &state) {
    Server server(static_cast<int>(state.range(0)));
    const int ticrate = 250;
    for (auto _ : state) LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "[SYS] Sys_ticrate set to %d", ticrate);
    CheckLines(state, server, static_cast<long>(state.iterations()));
}

// The governor's profile report logs up to 36 of these every 4 s.
void BM_LogMessageDeveloperLineOff(benchmark::State &state) {
    Server server(static_cast<int>(state.range(0)));
    const int ticrate = 250;
    for (auto _ : state) LogMessage(false, LOGLEVEL_LOG, LOGMODE_DEV, "[SYS] Sys_ticrate set to %d", ticrate);
    CheckLines(state, server, 0);
}

}  // namespace

BENCHMARK(BM_LogStdioAppendBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LogMessage)->ArgName("logs")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LogMessageDeveloperLineOff)->ArgName("logs")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
