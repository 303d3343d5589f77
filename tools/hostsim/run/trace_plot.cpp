#include "run/trace_plot.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "run/trace.h"

namespace hostsim {

namespace {
std::vector<std::string> SplitCsv(const std::string &line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.push_back("");
    return fields;
}

int Column(const std::vector<std::string> &header, const char *name) {
    for (std::size_t i = 0; i < header.size(); ++i)
        if (header[i] == name) return static_cast<int>(i);
    return -1;
}
}  // namespace

int PlotTraceFile(const std::string &csvPath) {
    std::ifstream in(csvPath.c_str());
    if (!in) {
        std::fprintf(stderr, "hostsim: cannot read %s\n", csvPath.c_str());
        return 1;
    }
    Trace trace;
    std::vector<std::string> header;
    int time = -1, fps = -1, ticrate = -1, sleep = -1;
    std::string line;
    long rows = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields = SplitCsv(line);
        // A header line starts each file, and again where files were joined.
        if (!fields.empty() && fields[0] == "date") {
            header = fields;
            time = Column(header, "game_time");
            fps = Column(header, "fps");
            ticrate = Column(header, "sys_ticrate_in_effect");
            sleep = Column(header, "sleepsm");
            continue;
        }
        // A row cut by a full disk runs into the next one: skip what does not fit.
        if (time < 0 || fps < 0 || ticrate < 0 || sleep < 0 || fields.size() != header.size()) continue;
        trace.add(std::atof(fields[time].c_str()), fields[fps], fields[ticrate], fields[sleep]);
        ++rows;
    }
    const std::string plotPath = csvPath + ".svg";
    std::FILE *plot = std::fopen(plotPath.c_str(), "w");
    if (plot == nullptr) {
        std::fprintf(stderr, "hostsim: cannot write %s\n", plotPath.c_str());
        return 1;
    }
    const std::string document = trace.svg();
    const bool written = std::fwrite(document.data(), 1, document.size(), plot) == document.size();
    if (std::fclose(plot) != 0 || !written) {
        std::fprintf(stderr, "hostsim: cannot write %s\n", plotPath.c_str());
        return 1;
    }
    std::printf("%s: %ld rows plotted\n", plotPath.c_str(), rows);
    return 0;
}

}  // namespace hostsim
