// hostsim's command line:
//
//   hostsim --plugin LIB --root DIR [--game NAME] [--gamedir-text TEXT]
//           [--standalone] [--listen] [--stub-game PATH] [--classic-game] [--script FILE]
//           [--game-library NAME] [--realtime] [--trace FILE] [--linger SECONDS]
//           [LINE ...]
//
// (UsageText has every option; the LINE arguments are script lines, see
// script/script_line.h.)
#pragma once

#include <string>
#include <vector>

#include "engine/engine_sim.h"
#include "engine/frame_timing.h"

namespace hostsim {

struct HostsimOptions {
    std::string plugin;
    std::string root;
    std::string game = "cstrike";
    bool reportGameDirText = false;
    std::string gameDirText;
    bool standalone = false;
    bool listen = false;
    std::string stubGame;  // default: next to the hostsim executable
    std::string locale;  // set for the whole process before the plugin loads
    std::vector<EngineSim::Hold> holds;  // --hold NAME:TEXT
    std::string holdDirectory;           // --hold-dir DIR
    bool classicGame = false;  // the stub game without ReGameDLL_CS's classes
    std::string gameLibrary;  // the stub's name in dlls/ (default: the usual one)
    std::string script;
    bool realtime = false;
    std::string trace;
    FrameTimingOptions timing;  // real-time mode's frame intervals
    bool checkProfile = false;
    std::vector<std::string> launchOptions;  // --launch-option: left in the process's arguments
    std::string slowGame;                    // --slow-game HOOK:MS[:EVERY]
    std::string slowEngine;                  // --slow-engine FUNCTION:MS[:EVERY]
    std::string secondPlugin;                // --second-plugin before|after:pre|post:HOOK:MS[:EVERY]
    int thinkers = 0;                        // --thinkers N: entities that think every frame
    int port = 0;  // --port: the server's port (hostport), as -port gives it
    double lingerSeconds = 0;  // after the unload, messages are dispatched this long
    std::vector<std::string> lines;
};

// Parses the command line.  False, with a message, when it is not usable.
bool ParseCommandLine(int argc, char **argv, HostsimOptions *options, std::string *error);
const char *UsageText();

}  // namespace hostsim
