// --plot-trace: a trace the plugin wrote, over two maps and two joined files,
// becomes a plot of the frame rate and the tick rate in effect.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "run/trace_plot.h"

namespace hostsim {

TEST(TracePlotTest, PluginTraceBecomesAPlotAcrossMapsAndJoinedFiles) {
    const std::string csv = testing::TempDir() + "trace_plot_test.csv";
    const char kHeader[] =
        "date,time,game_time,fps,p50_us,p99_us,max_us,sys_ticrate_asked,sys_ticrate_in_effect,sleepsm,"
        "process_cpu_percent\n";
    {
        std::ofstream out(csv.c_str());
        out << kHeader << "2026-12-06,12:00:04,5.00,100.0,9990,10100,12000,175,100,3,2.5\n"
            << "2026-12-06,12:00:08,9.00,170.2,5800,6100,9000,250,175,3,\n"  // processor time unknown
            << "2026-12-06,12:00:1"  // cut by a full disk, run into the next row
            << "2026-12-06,12:00:16,13.00,240.0,4100,4500,5000,250,250,3,4.0\n"
            << kHeader << "2026-12-07,00:00:02,5.00,240.0,4100,4500,5000,250,250,3,4.0\n";  // next map, next file
    }
    ASSERT_EQ(PlotTraceFile(csv), 0);
    std::ifstream in((csv + ".svg").c_str());
    std::stringstream svg;
    svg << in.rdbuf();
    const std::string text = svg.str();
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_NE(text.find("</svg>"), std::string::npos);
    EXPECT_EQ(text.find("no samples"), std::string::npos);
    // Two series, each with a step per row: three rows, the last at 14 s.
    std::size_t lines = 0;
    for (std::size_t at = text.find("stroke-width=\"2\"/>"); at != std::string::npos;
         at = text.find("stroke-width=\"2\"/>", at + 1))
        ++lines;
    EXPECT_EQ(lines, 2u + 2u);  // the two series and their two legend marks
    EXPECT_NE(text.find(">14<"), std::string::npos);  // the axis reaches the third row's 5 + 9 s

    std::remove((csv + ".svg").c_str());
    std::remove(csv.c_str());
    EXPECT_EQ(PlotTraceFile(csv), 1);  // gone
}

}  // namespace hostsim
