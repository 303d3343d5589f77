// hostsim: runs the plugin inside a simulated Half-Life dedicated server.
#include <cstdio>
#include <string>

#include "run/command_line.h"
#include "run/run_hostsim.h"
#include "run/trace_plot.h"

int main(int argc, char **argv) {
    hostsim::HostsimOptions options;
    std::string error;
    if (argc < 2) {
        std::fputs(hostsim::UsageText(), stderr);
        return 2;
    }
    std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        std::fputs(hostsim::UsageText(), stdout);
        return 0;
    }
    if (first == "--plot-trace") {
        if (argc == 3) return hostsim::PlotTraceFile(argv[2]);
        std::fputs("usage: hostsim --plot-trace FILE.csv\n", stderr);
        return 2;
    }
    if (!hostsim::ParseCommandLine(argc, argv, &options, &error)) {
        std::fprintf(stderr, "hostsim: %s\n\n%s", error.c_str(), hostsim::UsageText());
        return 2;
    }
    return hostsim::RunHostsim(options);
}
