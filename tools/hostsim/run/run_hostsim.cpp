#include "run/run_hostsim.h"

#include <clocale>
#include <cstdio>
#include <memory>

#include "engine/engine_calls.h"
#include "games/game_tables.h"
#include "games/standalone_sim.h"
#include "metamod/metamod_sim.h"
#include "os/host_os.h"
#include "run/trace.h"
#include "script/script_reader.h"
#include "session/session.h"

namespace hostsim {

namespace {

std::string JoinPath(const std::string &a, const std::string &b) {
    if (a.empty()) return b;
    char last = a.back();
    if (last == '/' || last == hostos::kPathSeparator) return a + b;
    return a + hostos::kPathSeparator + b;
}

}  // namespace

int RunHostsim(const HostsimOptions &given) {
    hostos::PrepareConsoleOutput();
    HostsimOptions options = given;

    // Paths given relative to where hostsim was started, before the chdir.
    options.plugin = hostos::AbsolutePath(options.plugin);
    if (options.stubGame.empty())
        options.stubGame = JoinPath(hostos::ExecutableDirectory(), hostos::kStubGameFileName);
    if (options.classicGame) {
        const std::string::size_type dot = options.stubGame.rfind('.');
        options.stubGame.insert(dot == std::string::npos ? options.stubGame.size() : dot, "_classic");
    }
    options.stubGame = hostos::AbsolutePath(options.stubGame);
    if (!options.trace.empty()) options.trace = hostos::AbsolutePath(options.trace);
    if (!options.holdDirectory.empty()) options.holdDirectory = hostos::AbsolutePath(options.holdDirectory);

    std::vector<ScriptLine> lines;
    {
        std::string error;
        if (!ReadScript(options.script, options.lines, &lines, &error)) {
            std::fprintf(stderr, "hostsim: %s\n", error.c_str());
            return 2;
        }
    }

    std::string gameDir = JoinPath(options.root, options.game);
    if (!hostos::MakeDirectories(gameDir)) {
        std::fprintf(stderr, "hostsim: cannot create %s\n", gameDir.c_str());
        return 1;
    }
    if (!hostos::ChangeDirectory(options.root)) {
        std::fprintf(stderr, "hostsim: cannot enter %s\n", options.root.c_str());
        return 1;
    }

    EngineSim::Options engineOptions;
    engineOptions.gameName = options.game;
    engineOptions.reportGameDirText = options.reportGameDirText;
    engineOptions.gameDirText = options.gameDirText;
    engineOptions.gameDirPath = options.game;
    engineOptions.dedicated = !options.listen;
    engineOptions.port = options.port;
    EngineSim engine(engineOptions);
    engine.setRecording(false);  // nobody reads the records here
    engine.setHolds(options.holds, options.holdDirectory);

    if (options.standalone) {
        std::string dlls = JoinPath(options.game, "dlls");
        std::string target =
            JoinPath(dlls, options.gameLibrary.empty() ? hostos::kGameLibraryFileName : options.gameLibrary);
        if (!hostos::MakeDirectories(dlls) || !hostos::CopyRegularFile(options.stubGame, target)) {
            std::fprintf(stderr, "hostsim: cannot copy the stub game %s to %s\n", options.stubGame.c_str(),
                         target.c_str());
            return 1;
        }
    }

    // The stub game library reads its slow hook when it is handed the engine.
    if (!options.slowGame.empty()) {
        hostos::SetEnvironment("HOSTSIM_SLOW_GAME", options.slowGame);
        ParseSlowHook(options.slowGame, &GameSlowHook());
    }
    if (!options.slowEngine.empty()) ParseSlowHook(options.slowEngine, &EngineSlowHook());

    if (!options.locale.empty()) {
        // The engine's own numbers stay as they were: it reads and writes
        // them without the C library's locale (see EngineAtof).
        if (!std::setlocale(LC_ALL, options.locale.c_str())) {
            std::fprintf(stderr,
                         "hostsim: cannot set the locale %s: generate it (localedef -i de_DE -f UTF-8 DIR/de_DE.UTF-8,\n"
                         "then LOCPATH=DIR) or choose one that `locale -a` lists\n",
                         options.locale.c_str());
            return 2;
        }
        std::printf("hostsim: locale %s, decimal point \"%s\"\n", options.locale.c_str(),
                    std::localeconv()->decimal_point);
    }

    std::string error;
    void *library = hostos::OpenLibrary(options.plugin, &error);
    if (!library) {
        std::fprintf(stderr, "hostsim: cannot load %s: %s\n", options.plugin.c_str(), error.c_str());
        return 1;
    }
    PluginExports exports = LookupExports(library);

    std::unique_ptr<GameDll> game;
    if (options.standalone) {
        std::unique_ptr<StandaloneSim> standalone(new StandaloneSim(engine));
        if (!standalone->load(exports, &error)) {
            std::fprintf(stderr, "hostsim: %s: %s\n", options.plugin.c_str(), error.c_str());
            return 1;
        }
        game = std::move(standalone);
    } else {
        std::unique_ptr<MetamodSim> metamod(new MetamodSim(engine));
        MetamodSim::SecondPlugin second;
        if (MetamodSim::ParseSecondPlugin(options.secondPlugin, &second)) metamod->setSecondPlugin(second);
        if (!metamod->attach(exports, &error)) {
            engine.printf("[META] ERROR: dll: Failed to load plugin %s: %s\n", options.plugin.c_str(), error.c_str());
            std::fprintf(stderr, "hostsim: Metamod refused %s: %s\n", options.plugin.c_str(), error.c_str());
            return 1;
        }
        game = std::move(metamod);
    }

    Trace trace;
    Session session(engine, *game);
    session.setRealtime(options.realtime);
    session.setFrameTiming(options.timing);
    session.setThinkers(options.thinkers);
    if (auto probe = reinterpret_cast<int (*)()>(hostos::FindSymbol(library, "ZK_ProbeLiveSystemTimers")))
        session.setTimerProbe(probe);
    if (!options.trace.empty()) {
        if (!trace.open(options.trace, &error)) {
            std::fprintf(stderr, "hostsim: %s\n", error.c_str());
            return 1;
        }
        session.setAfterFrame([&] { trace.sample(engine); });
    }

    int exitCode = 0;
    session.start();
    for (const auto &line : lines) {
        if (session.finished()) break;
        if (!session.runLine(line.second, &error)) {
            std::fprintf(stderr, "hostsim: %s: %s\n", line.first.c_str(), error.c_str());
            exitCode = 2;
            break;
        }
    }
    session.quit();
    int errors = game->errorCount();
    engine.releaseGameLibrary();
    hostos::CloseLibrary(library);
    game.reset();
    trace.finish();
    if (options.lingerSeconds > 0) {
        // The server goes on after the plugin is gone: whatever the plugin
        // left on the thread's message queue is dispatched now.
        // hostsim itself starts no system timer, so any that fires now is one
        // the plugin left behind: its callback lies in unmapped memory.
        const double end = hostos::MonotonicSeconds() + options.lingerSeconds;
        int strayTimers = 0;
        while (hostos::MonotonicSeconds() < end) {
            strayTimers += hostos::PumpMessages();
            hostos::SleepSeconds(0.01);
        }
        std::printf("hostsim: ran %g s after the plugin was unloaded\n", options.lingerSeconds);
        if (strayTimers > 0) {
            std::fprintf(stderr, "hostsim: %d system timer message(s) after the plugin was unloaded\n", strayTimers);
            if (!exitCode) exitCode = 1;
        }
    }

    if (engine.liveFileBuffers())
        std::fprintf(stderr, "hostsim: %s buffer(s) from pfnLoadFileForMe were never freed\n",
                     std::to_string(engine.liveFileBuffers()).c_str());
    if (errors) {
        std::fprintf(stderr, "hostsim: %d error(s) reported while running\n", errors);
        if (!exitCode) exitCode = 1;
    }
    std::fflush(stdout);
    return exitCode;
}

}  // namespace hostsim
