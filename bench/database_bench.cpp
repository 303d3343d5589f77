// The resource database with N models (models/*.mdl) and N sprites
// (sprites/*.spr): the build (BuildDatabase), the check of an existing
// database (CheckDatabaseFiles) and the processing of its records
// (ProcessDatabase), against listing the same two directories with their
// file sizes through std::filesystem in the same run.  The plugin's own
// listing (platform::FindFiles: sizes and sorting) is measured too.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "config/variables.h"
#include "platform/file_system.h"
#include "resources/database_build.h"
#include "resources/database_files.h"
#include "resources/random_draws.h"
#include "resources/record_processing.h"
#include "support/test_engine.h"

namespace {

namespace fs = std::filesystem;

const std::string kDbDir = "cstrike/addons/zeq_kestrin/db";
const std::string kModelDb = kDbDir + "/" KTS_MODEL_FILE;
const std::string kSpriteDb = kDbDir + "/" KTS_SPRITE_FILE;
const std::string kLogDir = "cstrike/addons/zeq_kestrin/logs";

// The game files, written once per count for the whole run (creating tens of
// thousands of files takes seconds) and moved into each benchmark's game
// directory while it runs.
class GameFiles {
public:
    static GameFiles &Instance() {
        static GameFiles files;
        return files;
    }
    // The directory holding "models" and "sprites" with n files each.
    fs::path For(int n) {
        auto found = made_.find(n);
        if (found != made_.end()) return found->second;
        const fs::path dir = root_ / std::to_string(n);
        std::error_code error;
        fs::create_directories(dir / "models", error);
        fs::create_directories(dir / "sprites", error);
        const std::string content(600 + 7 * 64, 'x');
        for (int i = 0; i < n; ++i) {
            // Sizes from 600 to 1048 bytes: above the 500 bytes below which a
            // record is rejected, so every record goes the whole way.
            const std::size_t size = 600 + static_cast<std::size_t>(i % 8) * 64;
            char name[64];
            std::snprintf(name, sizeof(name), "prop_%05d.mdl", i);
            Write(dir / "models" / name, content.data(), size);
            std::snprintf(name, sizeof(name), "spark_%05d.spr", i);
            Write(dir / "sprites" / name, content.data(), size);
        }
        made_[n] = dir;
        return dir;
    }
    ~GameFiles() {
        std::error_code error;
        fs::remove_all(root_, error);
    }

private:
    GameFiles() {
        std::error_code error;
        root_ = fs::temp_directory_path(error) / ("zk_bench_game_files_" + std::to_string(::getpid()));
    }
    static void Write(const fs::path &path, const char *data, std::size_t size) {
        std::FILE *file = std::fopen(path.string().c_str(), "wb");
        if (file == nullptr) return;
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    fs::path root_;
    std::map<int, fs::path> made_;
};

// A directory moved to another place for the lifetime of the object.
class MovedDirectory {
public:
    MovedDirectory(fs::path from, fs::path to) : from_(std::move(from)), to_(std::move(to)) {
        std::error_code error;
        fs::rename(from_, to_, error);
        moved_ = !error;
    }
    ~MovedDirectory() {
        std::error_code error;
        if (moved_) fs::rename(to_, from_, error);
    }
    MovedDirectory(const MovedDirectory &) = delete;
    MovedDirectory &operator=(const MovedDirectory &) = delete;
    bool moved() const { return moved_; }

private:
    fs::path from_, to_;
    bool moved_ = false;
};

int64_t FixedClock() { return 1700000000; }

struct Server {
    const int count;
    TestEngine engine;
    // Declared after the engine: moved back before its directory is removed.
    MovedDirectory models;
    MovedDirectory sprites;

    explicit Server(int n)
        : count(n),
          engine(),
          models(GameFiles::Instance().For(n) / "models", fs::path(engine.root) / "cstrike" / "models"),
          sprites(GameFiles::Instance().For(n) / "sprites", fs::path(engine.root) / "cstrike" / "sprites") {
        engine.WriteFile(kDbDir + "/.keep", "");
        RegisterMainVariables();
        RegisterOwnVariables();
        engine.SetVariable("zeq_kestrin_proc_mdl", "1");
        engine.SetVariable("zeq_kestrin_proc_spr", "1");
        // Draws that do not change with the second the run happens in.
        SetRandomClockForTests(FixedClock);
    }
    ~Server() { SetRandomClockForTests(nullptr); }

    bool Ready() const { return models.moved() && sprites.moved(); }

    // Removes the database files (a build never rewrites marked ones).
    void RemoveDatabase() {
        std::error_code error;
        fs::remove_all(kDbDir, error);
        fs::create_directory(kDbDir, error);
    }
    // Forgets what the engine recorded and what was logged.
    void Forget() {
        engine.calls.clear();
        engine.console.clear();
        std::error_code error;
        for (const fs::directory_entry &entry : fs::directory_iterator(kLogDir, error))
            fs::resize_file(entry.path(), 0, error);
    }
    // Both files are marked and list every model and every sprite.
    bool Built() {
        return platform::HasDatabaseMark(kModelDb.c_str()) && platform::HasDatabaseMark(kSpriteDb.c_str()) &&
               Lines(kModelDb) == count && Lines(kSpriteDb) == count;
    }
    // Every record reached the engine: one model pointer per model, one file
    // size per sprite.
    bool Processed() const {
        long models = 0, sprites = 0;
        for (const std::string &call : engine.calls) {
            if (call == "pfnGetModelPtr") ++models;
            if (call.compare(0, 15, "pfnGetFileSize(") == 0) ++sprites;
        }
        return models == count && sprites == count;
    }
    static long Lines(const std::string &path) {
        std::FILE *file = std::fopen(path.c_str(), "r");
        if (file == nullptr) return -1;
        long lines = 0;
        for (int c; (c = std::fgetc(file)) != EOF;)
            if (c == '\n') ++lines;
        std::fclose(file);
        return lines;
    }
};

int Count(const benchmark::State &state) { return static_cast<int>(state.range(0)); }

void BM_DatabaseListingBaseline(benchmark::State &state) {
    Server server(Count(state));
    if (!server.Ready()) state.SkipWithError("cannot move the game files into place");
    for (auto _ : state) {
        long entries = 0;
        std::uintmax_t bytes = 0;
        std::error_code error;
        for (const char *dir : {"cstrike/models", "cstrike/sprites"})
            for (const fs::directory_entry &entry : fs::directory_iterator(dir, error)) {
                bytes += entry.file_size(error);
                ++entries;
            }
        benchmark::DoNotOptimize(bytes);
        if (entries != 2L * server.count) {
            state.SkipWithError("the listing missed files");
            break;
        }
    }
}

void BM_DatabaseFindFiles(benchmark::State &state) {
    Server server(Count(state));
    if (!server.Ready()) state.SkipWithError("cannot move the game files into place");
    std::vector<platform::DirectoryEntry> models, sprites;
    for (auto _ : state) {
        platform::FindFiles("cstrike/models", "*.mdl", &models);
        platform::FindFiles("cstrike/sprites", "*.spr", &sprites);
        if (models.size() + sprites.size() != 2u * static_cast<std::size_t>(server.count)) {
            state.SkipWithError("the search missed files");
            break;
        }
    }
}

// Each run starts without database files and is checked before the next.
void BM_DatabaseBuild(benchmark::State &state) {
    Server server(Count(state));
    if (!server.Ready()) state.SkipWithError("cannot move the game files into place");
    bool built = true, ran = false;
    for (auto _ : state) {
        state.PauseTiming();
        if (ran && !(built && server.Built())) {
            state.SkipWithError("the build did not write and mark both files with every file listed");
            break;
        }
        server.RemoveDatabase();
        server.Forget();
        state.ResumeTiming();
        built = BuildDatabase();
        ran = true;
    }
    if (ran && !state.error_occurred() && !(built && server.Built()))
        state.SkipWithError("the build did not write and mark both files with every file listed");
}

// The check of later maps: the directory search and both marks.
void BM_DatabaseCheck(benchmark::State &state) {
    Server server(Count(state));
    if (!server.Ready() || !BuildDatabase()) state.SkipWithError("cannot build the database");
    for (auto _ : state) {
        if (!CheckDatabaseFiles()) {
            state.SkipWithError("the check rejected the files just built");
            break;
        }
    }
}

// One log line per record (written or not) and one engine call per record.
void BM_DatabaseProcess(benchmark::State &state) {
    Server server(Count(state));
    if (!server.Ready() || !BuildDatabase() || !server.Built()) state.SkipWithError("cannot build the database");
    bool ran = false;
    for (auto _ : state) {
        state.PauseTiming();
        if (ran && !server.Processed()) {
            state.SkipWithError("not every record was processed");
            break;
        }
        server.Forget();
        state.ResumeTiming();
        ProcessDatabase();
        ran = true;
    }
    if (ran && !state.error_occurred() && !server.Processed()) state.SkipWithError("not every record was processed");
}

}  // namespace

// Fixed iteration counts keep the whole file under a minute on two cores.
BENCHMARK(BM_DatabaseListingBaseline)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseFindFiles)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseBuild)->Arg(1000)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseBuild)->Arg(20000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseCheck)->Arg(1000)->Arg(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DatabaseProcess)->Arg(1000)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseProcess)->Arg(20000)->Iterations(3)->Unit(benchmark::kMillisecond);
