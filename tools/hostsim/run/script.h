// The command line and the script runner.
//
//   hostsim --plugin LIB --root DIR [--game NAME] [--gamedir-text TEXT]
//           [--standalone] [--listen] [--stub-game PATH] [--classic-game] [--script FILE]
//           [--game-library NAME] [--realtime] [--trace FILE] [--linger SECONDS]
//           [LINE ...]
//
// Script lines (from FILE, then the trailing arguments):
//   map NAME [CLASS ...]  end the running map, start NAME (game time 1.0) with
//                         the world, a spawn point and one entity of each CLASS
//   wait SECONDS [FPS]    run frames for SECONDS of game time (100 a second)
//   connect NAME [ADDR]   a client joins the next free slot
//   disconnect INDEX      the client in that slot leaves
//   deathmatch 0|1        sets gpGlobals->deathmatch
//   quit                  end the map, detach, unload
//   stats [mark|same]     print the process's heap bytes, open files and the
//                         plugin's live timers; keep them; fail when any
//                         differs from the kept ones
//   repeat N [NAME] / end the lines between, N times ({NAME}: the pass)
//   # comment, blank      ignored
//   anything else         a console command as typed at the server console
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/engine_sim.h"
#include "engine/frame_timing.h"
#include "games/game_dll.h"

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

// Runs a whole session; returns the process exit code.
int RunHostsim(const HostsimOptions &options);

// A running server: maps, frames and clients, driven by script lines.
class Session {
public:
    Session(EngineSim &engine, GameDll &game);

    void setRealtime(bool realtime) { realtime_ = realtime; }
    void setFrameTiming(const FrameTimingOptions &options) { timing_ = FrameTiming(options); }
    // Called after every frame (the trace samples the variables there).
    void setAfterFrame(std::function<void()> afterFrame) { afterFrame_ = std::move(afterFrame); }
    // The plugin's count of live system timers, where its library exports
    // one (the test build does); without it "stats" shows no timers.
    void setTimerProbe(std::function<int()> probe) { timerProbe_ = std::move(probe); }

    // GameInit (once), then whatever the game library queued while loading.
    void start();
    void map(const std::string &name, const std::vector<std::string> &classes = {});
    void wait(double seconds, double framesPerSecond);
    // False when the server refused the client (full, or ClientConnect
    // returned 0).
    bool connect(const std::string &name, const std::string &address, bool bot = false);
    // Entities that think in every frame, made at each map start.
    void setThinkers(int thinkers) { thinkerCount_ = thinkers; }
    bool disconnect(int index);
    void setDeathmatch(float deathmatch);
    // A line typed at the server console: echoed as "] LINE" and run.
    void console(const std::string &line);
    // Ends the map, shuts the game down and detaches (Metamod, forced).
    void quit();

    // Runs one script line.  False, with a message, when it is malformed.
    bool runLine(const std::string &line, std::string *error);

    bool finished() const { return finished_; }
    bool mapRunning() const { return mapRunning_; }
    double gameTime() const { return time_; }
    bool clientInServer(int index) const;

private:
    struct Client {
        bool connected = false;
        std::string name;
        std::string address;
        bool bot = false;
    };

    bool admitClient(int index);
    void runFrame(double time, double frametime);
    bool betweenFrames();  // runs the command buffer; false once quitting
    bool stats(const std::string &what, std::string *error);
    void waitVirtual(double seconds, double framesPerSecond);
    void waitRealtime(double seconds);

    EngineSim &engine_;
    GameDll &game_;
    std::function<void()> afterFrame_;
    std::function<int()> timerProbe_;
    struct Resources {
        long long heap = -1;
        int files = -1;
        int timers = -1;
    };
    Resources measure() const;
    bool marked_ = false;
    Resources mark_;
    std::vector<Client> clients_;
    int thinkerCount_ = 0;
    std::vector<int> thinkers_;
    bool realtime_ = false;
    bool started_ = false;
    bool mapRunning_ = false;
    bool finished_ = false;
    double time_ = 0;
    double mapStartWall_ = 0;
    double lastFrameWall_ = 0;
    FrameTiming timing_;
    double pendingInterval_ = -1;  // the wait before the next real-time frame; -1: not chosen yet
};

}  // namespace hostsim
