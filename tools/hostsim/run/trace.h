// The trace of the plugin's governor: a CSV row whenever zeq_fps changes
// after a frame, and at exit an SVG plot of zeq_fps and sys_ticrate.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine_sim.h"

namespace hostsim {

class Trace {
public:
    Trace() = default;
    ~Trace();
    Trace(const Trace &) = delete;
    Trace &operator=(const Trace &) = delete;

    // Creates FILE with its header line.  The plot is written by finish(),
    // or when the process exits (the plugin may end it).
    bool open(const std::string &path, std::string *error);
    void sample(EngineSim &engine);
    // One row from elsewhere (a trace file the plugin wrote); a game time
    // below the last one starts a new map.
    void add(double time, const std::string &fps, const std::string &ticrate, const std::string &sleep);
    void finish();

    // The plot of the rows so far, as a self-contained SVG document.
    std::string svg() const;

private:
    struct Row {
        double time;     // game time (starts again at each map)
        double elapsed;  // game time summed over the maps
        std::string fps;
        std::string ticrate;
        std::string sleep;
    };

    std::string path_;
    std::FILE *file_ = nullptr;
    std::vector<Row> rows_;
    double offset_ = 0;    // game time of the maps before this one
    double lastTime_ = 0;  // game time of the last frame sampled
    bool haveLast_ = false;
    std::string lastFps_;
    bool finished_ = false;
};

}  // namespace hostsim
