#include "run/command_line.h"

#include "engine/slow_hook.h"
#include "metamod/metamod_sim.h"
#include "script/script_line.h"

namespace hostsim {

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

}  // namespace hostsim
