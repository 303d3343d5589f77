#include "run/script.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "engine/engine_table.h"
#include "engine/engine_text.h"
#include "games/standalone_sim.h"
#include "metamod/metamod_sim.h"
#include "os/host_os.h"
#include "run/trace.h"
#include "script/script_repeat.h"

namespace hostsim {

namespace {

const char *const kDefaultAddress = "127.0.0.1:27005";
constexpr int kFakeClientFlag = 1 << 13;  // FL_FAKECLIENT

std::string TrimLine(const std::string &text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::string();
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool ParseNumber(const std::string &text, double *value) {
    double parsed = 0;
    if (!ParseNumberText(text, &parsed) || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

bool ParseInt(const std::string &text, int *value) {
    char *end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end) return false;
    *value = static_cast<int>(parsed);
    return true;
}

std::string JoinPath(const std::string &a, const std::string &b) {
    if (a.empty()) return b;
    char last = a.back();
    if (last == '/' || last == hostos::kPathSeparator) return a + b;
    return a + hostos::kPathSeparator + b;
}

}  // namespace

// ------------------------------------------------------------ command line

const char *UsageText() {
    return "usage: hostsim --plugin LIB --root DIR [--game NAME] [--gamedir-text TEXT] [--standalone]\n"
           "               [--listen] [--stub-game PATH] [--classic-game] [--game-library NAME]\n"
           "               [--locale NAME] [--hold NAME:TEXT ... --hold-dir DIR]\n"
           "               [--script FILE]\n"
           "               [--realtime] [--trace FILE] [--check-profile] [--linger SECONDS] [--port N] [LINE ...]\n"
           "               [--max-fps N] [--rate-percent P] [--jitter-us N]\n"
           "               [--long-frame-every N --long-frame-ms M]\n"
           "       hostsim --plot-trace FILE.csv\n"
           "\n"
           "In --realtime mode a frame follows the last after 1/(sys_ticrate+1) s; --max-fps\n"
           "caps the frames a second whatever sys_ticrate reads, --rate-percent makes only\n"
           "P % of the frames sys_ticrate asks for, --jitter-us moves each\n"
           "interval by up to N microseconds, and every Nth frame lasts M ms. --plot-trace\n"
           "turns a trace the plugin wrote (zeq_kestrin_trace 1) into FILE.csv.svg.\n"
           "\n"
           "--linger keeps the process running for SECONDS after the plugin is unloaded,\n"
           "dispatching the thread's messages as a server does (Windows: a system timer the\n"
           "plugin left behind then calls into unloaded code).\n"
           "\n"
           "--port sets the server's port as the engine's -port does (hostport; default\n"
           "27015 from the port variable).\n"
           "\n"
           "--locale sets the process's locale (setlocale LC_ALL) before the plugin loads,\n"
           "as an engine or another plugin may (de_DE.UTF-8: a comma as the decimal point).\n"
           "\n"
           "--hold stops the run at the first console output containing TEXT: hostsim\n"
           "creates DIR/NAME.held and carries on once DIR/NAME.go exists (tests that run\n"
           "several servers at once order their steps with it).\n"
           "\n"
           "--classic-game uses the stub game without the entity classes ReGameDLL_CS adds\n"
           "(stub_game_classic beside the stub game).\n"
           "\n"
           "--game-library names the stub game's copy in DIR/NAME/dlls (standalone mode;\n"
           "default cs_i386.so; cs_amd64.so, cs_arm64.so on 64-bit; mp.dll on Windows).\n"
           "\n"
           "--check-profile runs one map start and one governor check with the developer\n"
           "log level and prints the profile report, its warnings and the status panel.\n"
           "\n"
           "Plays the Half-Life engine and Metamod (or the engine alone with --standalone),\n"
           "loads LIB and runs the script lines: from FILE, then the LINE arguments.\n"
           "\n"
           "  map NAME [CLASS ...]   start a map (ends the running one); its entities are the\n"
           "                         world, a spawn point and one of each CLASS\n"
           "  wait SECONDS [FPS]     run frames for SECONDS of game time (default 100 a second)\n"
           "  wait SECONDS engine    the same, each frame's length from sys_ticrate and the\n"
           "                         timing options, as in --realtime, but on game time\n"
           "  connect NAME [ADDRESS] a client joins the next free slot\n"
           "  disconnect INDEX       the client in that slot leaves\n"
           "  deathmatch 0|1         set gpGlobals->deathmatch\n"
           "  quit                   end the map, detach and unload (done anyway at the end)\n"
           "  stats [mark|same]      print heap bytes, open files and the plugin's live timers;\n"
           "                         keep them; fail unless they equal the kept ones\n"
           "  repeat N [NAME] ... end  the lines between N times; {NAME} (default {n}) is the pass\n"
           "  # ...                  a comment\n"
           "  anything else          a console command, as typed at the server console\n";
}

bool ParseCommandLine(int argc, char **argv, HostsimOptions *options, std::string *error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string *out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        if (arg == "--plugin") {
            if (!value(&options->plugin)) return false;
        } else if (arg == "--root") {
            if (!value(&options->root)) return false;
        } else if (arg == "--game") {
            if (!value(&options->game)) return false;
        } else if (arg == "--gamedir-text") {
            if (!value(&options->gameDirText)) return false;
            options->reportGameDirText = true;
        } else if (arg == "--standalone") {
            options->standalone = true;
        } else if (arg == "--listen") {
            options->listen = true;
        } else if (arg == "--stub-game") {
            if (!value(&options->stubGame)) return false;
        } else if (arg == "--hold") {
            std::string spec;
            if (!value(&spec)) return false;
            const std::string::size_type colon = spec.find(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == spec.size()) {
                *error = "--hold needs NAME:TEXT";
                return false;
            }
            EngineSim::Hold hold;
            hold.name = spec.substr(0, colon);
            hold.text = spec.substr(colon + 1);
            options->holds.push_back(hold);
        } else if (arg == "--hold-dir") {
            if (!value(&options->holdDirectory)) return false;
        } else if (arg == "--locale") {
            if (!value(&options->locale)) return false;
        } else if (arg == "--classic-game") {
            options->classicGame = true;
        } else if (arg == "--game-library") {
            if (!value(&options->gameLibrary)) return false;
        } else if (arg == "--script") {
            if (!value(&options->script)) return false;
        } else if (arg == "--realtime") {
            options->realtime = true;
        } else if (arg == "--trace") {
            if (!value(&options->trace)) return false;
        } else if (arg == "--max-fps" || arg == "--rate-percent" || arg == "--jitter-us" || arg == "--long-frame-every" ||
                   arg == "--long-frame-ms") {
            std::string number;
            bool known = false;
            if (!value(&number) || !ParseFrameTimingOption(arg, number, &options->timing, error, &known)) return false;
        } else if (arg == "--port") {
            std::string text;
            double number = 0;
            if (!value(&text)) return false;
            if (!ParseNumber(text, &number) || number < 1 || number > 65535) {
                *error = "--port needs a port number";
                return false;
            }
            options->port = static_cast<int>(number);
        } else if (arg == "--launch-option") {
            std::string text;
            if (!value(&text)) return false;
            options->launchOptions.push_back(text);
        } else if (arg == "--slow-game") {
            if (!value(&options->slowGame)) return false;
            SlowHook hook;
            if (!ParseSlowHook(options->slowGame, &hook)) {
                *error = "--slow-game needs HOOK:MS[:EVERY]";
                return false;
            }
        } else if (arg == "--slow-engine") {
            if (!value(&options->slowEngine)) return false;
            SlowHook hook;
            if (!ParseSlowHook(options->slowEngine, &hook)) {
                *error = "--slow-engine needs FUNCTION:MS[:EVERY]";
                return false;
            }
        } else if (arg == "--second-plugin") {
            if (!value(&options->secondPlugin)) return false;
            MetamodSim::SecondPlugin plugin;
            if (!MetamodSim::ParseSecondPlugin(options->secondPlugin, &plugin)) {
                *error = "--second-plugin needs before|after:pre|post:HOOK:MS[:EVERY]";
                return false;
            }
        } else if (arg == "--thinkers") {
            std::string text;
            double number = 0;
            if (!value(&text)) return false;
            if (!ParseNumber(text, &number) || number < 0 || number > 500) {
                *error = "--thinkers needs a number from 0 to 500";
                return false;
            }
            options->thinkers = static_cast<int>(number);
        } else if (arg == "--check-profile") {
            options->checkProfile = true;
        } else if (arg == "--linger") {
            std::string text;
            if (!value(&text)) return false;
            if (!ParseNumber(text, &options->lingerSeconds) || options->lingerSeconds < 0) {
                *error = "--linger needs a number of seconds";
                return false;
            }
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            *error = "unknown option " + arg;
            return false;
        } else {
            options->lines.push_back(arg);
        }
    }
    if (options->checkProfile) {
        // An operator's check of the configuration directory: one map start
        // (the command file runs, the profile is read), then one governor
        // check with the developer log level and automatic control, so that
        // the profile report and every warning are printed, then the status
        // panel.
        for (const char *line : {"map profile_check", "wait 0.5", "zeq_kestrin_loglevel 1", "zeq_kestrin_sysrate 0",
                                 "zeq_kestrin_show", "wait 4", "zeq_kestrin_show", "quit"})
            options->lines.push_back(line);
    }
    if (!options->holds.empty() && options->holdDirectory.empty()) {
        *error = "--hold needs --hold-dir";
        return false;
    }
    if (options->plugin.empty() || options->root.empty()) {
        *error = "--plugin and --root are required";
        return false;
    }
    if (options->game.empty()) {
        *error = "--game needs a name";
        return false;
    }
    return true;
}

// ------------------------------------------------------------ Session

Session::Session(EngineSim &engine, GameDll &game)
    : engine_(engine), game_(game), clients_(static_cast<std::size_t>(engine.globals()->maxClients) + 1) {}

bool Session::clientInServer(int index) const {
    return index >= 1 && static_cast<std::size_t>(index) < clients_.size() &&
           clients_[static_cast<std::size_t>(index)].connected;
}

void Session::start() {
    if (started_) return;
    started_ = true;
    game_.gameInit();
    betweenFrames();
}

void Session::map(const std::string &name, const std::vector<std::string> &classes) {
    if (finished_) return;
    start();
    if (mapRunning_) {
        game_.serverDeactivate();
        engine_.freeAllEntities();
    }
    time_ = 1.0;
    engine_.setTime(time_, 0);
    globalvars_t *globals = engine_.globals();
    globals->mapname = engine_.allocString(name.c_str());

    // The map's entities: the world first, then a spawn point, then the
    // script's classes.
    edict_t *world = engine_.edict(0);
    std::memset(&world->v, 0, sizeof world->v);
    world->v.pContainingEntity = world;
    world->v.classname = engine_.allocString("worldspawn");
    game_.spawnEntity(world, "worldspawn");
    edict_t *spawnPoint = engine_.createEntity("info_player_start");
    game_.spawnEntity(spawnPoint, "info_player_start");
    for (const std::string &classname : classes) game_.spawnEntity(engine_.createEntity(classname.c_str()), classname.c_str());

    game_.serverActivate(engine_.edict(0), engine_.edictCount(), globals->maxClients);
    mapRunning_ = true;
    thinkers_.clear();
    for (int i = 0; i < thinkerCount_; ++i) {
        edict_t *thinker = engine_.createEntity("info_target");
        thinker->v.nextthink = static_cast<float>(time_);
        thinkers_.push_back(engine_.indexOf(thinker));
    }
    mapStartWall_ = lastFrameWall_ = hostos::MonotonicSeconds();

    // Clients that were in the server come back on the new map.
    for (std::size_t i = 1; i < clients_.size(); ++i) {
        if (!clients_[i].connected) continue;
        clients_[i].connected = false;
        admitClient(static_cast<int>(i));
    }
}

bool Session::admitClient(int index) {
    Client &client = clients_[static_cast<std::size_t>(index)];
    edict_t *entity = engine_.edict(index);
    std::memset(&entity->v, 0, sizeof entity->v);
    entity->v.pContainingEntity = entity;
    entity->v.netname = engine_.allocString(client.name.c_str());
    if (client.bot) entity->v.flags |= kFakeClientFlag;
    char reject[128] = "";
    if (!game_.clientConnect(entity, client.name.c_str(), client.address.c_str(), reject)) {
        reject[sizeof reject - 1] = '\0';
        engine_.printf("Client \"%s\" rejected: %s\n", client.name.c_str(), reject[0] ? reject : "(no reason)");
        entity->v.netname = 0;
        return false;
    }
    client.connected = true;
    entity->v.classname = engine_.allocString("player");
    game_.clientPutInServer(entity);
    return true;
}

bool Session::connect(const std::string &name, const std::string &address, bool bot) {
    if (finished_) return false;
    for (std::size_t i = 1; i < clients_.size(); ++i) {
        if (clients_[i].connected) continue;
        clients_[i].name = name;
        clients_[i].address = address;
        clients_[i].bot = bot;
        return admitClient(static_cast<int>(i));
    }
    engine_.printf("Client \"%s\" rejected: Server is full.\n", name.c_str());
    return false;
}

bool Session::disconnect(int index) {
    if (!clientInServer(index)) return false;
    edict_t *entity = engine_.edict(index);
    game_.clientDisconnect(entity);
    clients_[static_cast<std::size_t>(index)].connected = false;
    entity->v.netname = 0;
    return true;
}

void Session::setDeathmatch(float deathmatch) { engine_.globals()->deathmatch = deathmatch; }

void Session::console(const std::string &line) {
    if (finished_) return;
    engine_.printf("] %s\n", line.c_str());
    // Typed text goes after whatever was already queued.
    if (!betweenFrames()) return;
    engine_.executeLine(line);
    betweenFrames();
}

bool Session::betweenFrames() {
    engine_.executeCommandBuffer();
    if (engine_.quitRequested()) {
        quit();
        return false;
    }
    return true;
}

void Session::runFrame(double time, double frametime) {
    engine_.setTime(time, frametime);
    game_.startFrame();
    // Entities whose think time has come, then each player around its move.
    for (int index : thinkers_) {
        edict_t *thinker = engine_.edict(index);
        if (thinker->v.nextthink <= 0 || thinker->v.nextthink > static_cast<float>(time)) continue;
        thinker->v.nextthink = static_cast<float>(time + frametime);
        game_.think(thinker);
    }
    for (std::size_t i = 1; i < clients_.size(); ++i) {
        if (!clients_[i].connected) continue;
        game_.playerPreThink(engine_.edict(static_cast<int>(i)));
        game_.playerPostThink(engine_.edict(static_cast<int>(i)));
    }
    if (afterFrame_) afterFrame_();
}

void Session::wait(double seconds, double framesPerSecond) {
    if (finished_) return;
    start();
    if (realtime_)
        waitRealtime(seconds);
    else
        waitVirtual(seconds, framesPerSecond);
}

// Frames at a fixed rate of game time (framesPerSecond 0: each frame as long
// as the real-time model makes it at the sys_ticrate of that moment, so a
// control that steers sys_ticrate can be watched over minutes of game time in
// a second or two).  Where the host has a message queue
// (Windows), game time may not run ahead of the wall clock, so that system
// timers the plugin started fire at the right game moments.
void Session::waitVirtual(double seconds, double framesPerSecond) {
    if (!mapRunning_) {
        betweenFrames();  // no map: only the console runs
        return;
    }
    const bool paced = hostos::HasMessageQueue();
    const double wallStart = hostos::MonotonicSeconds();
    if (framesPerSecond <= 0) {
        const double end = time_ + seconds;
        while (time_ < end) {
            if (!betweenFrames()) return;
            cvar_t *ticrate = engine_.findCvar("sys_ticrate");
            const double step = timing_.nextInterval(ticrate ? ticrate->value : 100.0);
            if (paced) {
                double lead = wallStart + (time_ + step - (end - seconds)) - hostos::MonotonicSeconds();
                if (lead > 0) hostos::SleepSeconds(lead);
                hostos::PumpMessages();
            }
            time_ += step;
            runFrame(time_, step);
        }
        return;
    }
    const double step = 1.0 / framesPerSecond;
    const long long frames = std::llround(seconds * framesPerSecond);
    for (long long i = 0; i < frames; ++i) {
        if (!betweenFrames()) return;
        if (paced) {
            double lead = wallStart + static_cast<double>(i + 1) * step - hostos::MonotonicSeconds();
            if (lead > 0) hostos::SleepSeconds(lead);
            hostos::PumpMessages();
        }
        time_ += step;
        runFrame(time_, step);
    }
}

// Frames on the wall clock, like a dedicated server's loop: a frame is due
// 1/(sys_ticrate+1) seconds after the last one; until then the loop sleeps.
void Session::waitRealtime(double seconds) {
    const double end = hostos::MonotonicSeconds() + seconds;
    for (;;) {
        hostos::PumpMessages();
        double now = hostos::MonotonicSeconds();
        if (now >= end) return;
        if (!mapRunning_) {
            if (!betweenFrames()) return;
            hostos::SleepSeconds(0.001);
            continue;
        }
        if (pendingInterval_ < 0) {
            cvar_t *ticrate = engine_.findCvar("sys_ticrate");
            pendingInterval_ = timing_.nextInterval(ticrate ? ticrate->value : 100.0);
        }
        double remaining = lastFrameWall_ + pendingInterval_ - now;
        if (remaining > 0) {
            hostos::SleepSeconds(std::min(remaining, 0.001));
            continue;
        }
        pendingInterval_ = -1;
        if (!betweenFrames()) return;
        double frametime = now - lastFrameWall_;
        lastFrameWall_ = now;
        time_ = 1.0 + (now - mapStartWall_);
        runFrame(time_, frametime);
    }
}

void Session::quit() {
    if (finished_) return;
    finished_ = true;
    engine_.executeCommandBuffer();
    if (mapRunning_) {
        game_.serverDeactivate();
        engine_.freeAllEntities();
        mapRunning_ = false;
    }
    if (started_) game_.gameShutdown();
    game_.detach();
}

Session::Resources Session::measure() const {
    Resources now;
    now.heap = hostos::HeapBytesInUse();
    now.files = hostos::OpenFileCount();
    now.timers = timerProbe_ ? timerProbe_() : -1;
    return now;
}

// Between frames, with the command buffer run, so that what the last frame
// queued is not counted half-done.
bool Session::stats(const std::string &what, std::string *error) {
    if (!betweenFrames()) return true;
    const Resources now = measure();
    auto shown = [](long long value) { return value < 0 ? std::string("?") : std::to_string(value); };
    std::printf("hostsim: stats heap=%s files=%s timers=%s\n", shown(now.heap).c_str(), shown(now.files).c_str(),
                shown(now.timers).c_str());
    if (what == "mark") {
        mark_ = now;
        marked_ = true;
    } else if (what == "same") {
        if (!marked_) {
            *error = "stats same needs an earlier stats mark";
            return false;
        }
        std::string changed;
        auto compare = [&](const char *name, long long before, long long after) {
            if (before != after) changed += " " + std::string(name) + " " + shown(before) + " -> " + shown(after);
        };
        compare("heap", mark_.heap, now.heap);
        compare("files", mark_.files, now.files);
        compare("timers", mark_.timers, now.timers);
        if (!changed.empty()) {
            *error = "resources changed since the mark:" + changed;
            return false;
        }
        std::printf("hostsim: stats unchanged since the mark\n");
    }
    std::fflush(stdout);
    return true;
}

bool Session::runLine(const std::string &rawLine, std::string *error) {
    std::string line = TrimLine(rawLine);
    if (line.empty() || line[0] == '#') return true;
    if (finished_) return true;
    std::vector<std::string> words = Words(line);
    const std::string &keyword = words[0];
    std::size_t count = words.size();

    if (keyword == "map") {
        if (count < 2) {
            *error = "usage: map NAME [CLASS ...]";
            return false;
        }
        map(words[1], std::vector<std::string>(words.begin() + 2, words.end()));
    } else if (keyword == "wait") {
        double seconds = 0, fps = 100;
        const bool engineRate = count == 3 && words[2] == "engine";
        if (engineRate) fps = 0;
        if (count < 2 || count > 3 || !ParseNumber(words[1], &seconds) || seconds < 0 ||
            (count == 3 && !engineRate && (!ParseNumber(words[2], &fps) || fps <= 0))) {
            *error = "usage: wait SECONDS [FPS|engine]";
            return false;
        }
        wait(seconds, fps);
    } else if (keyword == "connect") {
        if (count < 2 || count > 3) {
            *error = "usage: connect NAME [ADDRESS]";
            return false;
        }
        if (!mapRunning_) {
            *error = "connect needs a running map";
            return false;
        }
        connect(words[1], count == 3 ? words[2] : kDefaultAddress);
    } else if (keyword == "bot") {
        if (count != 2 || !mapRunning_) {
            *error = "usage: bot NAME (on a running map)";
            return false;
        }
        connect(words[1], "", true);
    } else if (keyword == "ping") {
        int index = 0, ping = 0, loss = 0;
        if (count < 3 || count > 4 || !ParseInt(words[1], &index) || !ParseInt(words[2], &ping) ||
            (count == 4 && !ParseInt(words[3], &loss)) || index < 1 || index > engine_.globals()->maxClients) {
            *error = "usage: ping INDEX MS [LOSS_PERCENT]";
            return false;
        }
        engine_.setPlayerStats(index, ping, loss);
    } else if (keyword == "disconnect") {
        int index = 0;
        if (count != 2 || !ParseInt(words[1], &index)) {
            *error = "usage: disconnect INDEX";
            return false;
        }
        if (!disconnect(index)) {
            *error = "no client in slot " + words[1];
            return false;
        }
    } else if (keyword == "deathmatch") {
        double value = 0;
        if (count != 2 || !ParseNumber(words[1], &value)) {
            *error = "usage: deathmatch 0|1";
            return false;
        }
        setDeathmatch(static_cast<float>(value));
    } else if (keyword == "quit") {
        quit();
    } else if (keyword == "stats") {
        if (count > 2 || (count == 2 && words[1] != "mark" && words[1] != "same")) {
            *error = "usage: stats [mark|same]";
            return false;
        }
        return stats(count == 2 ? words[1] : "", error);
    } else {
        start();
        console(line);
    }
    return true;
}

// ------------------------------------------------------------ the whole run

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
    if (!options.script.empty()) {
        std::ifstream in(options.script.c_str());
        if (!in) {
            std::fprintf(stderr, "hostsim: cannot read script %s\n", options.script.c_str());
            return 2;
        }
        std::string text;
        for (int number = 1; std::getline(in, text); ++number)
            lines.emplace_back(options.script + ":" + std::to_string(number), text);
    }
    for (std::size_t i = 0; i < options.lines.size(); ++i)
        lines.emplace_back("argument " + std::to_string(i + 1), options.lines[i]);
    {
        std::string error;
        if (!ExpandRepeats(&lines, &error)) {
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
