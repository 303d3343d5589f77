// The simulated server's session: maps, frames and clients, as the engine
// runs them around the game library, and the script commands that drive it.
// It sees the game library only as a GameDll (Metamod or standalone alike).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/engine_sim.h"
#include "engine/frame_timing.h"
#include "games/game_dll.h"

namespace hostsim {

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
