// The frame profile's figures in the metrics file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diagnostics/profile_metrics.h"

TEST(ProfileMetrics, SeriesWithoutTheirSourceAreLeftOutAndTheTextIsCompleteOrRefused) {
    char text[4096] = "# before\n";
    const std::size_t before = std::strlen(text);
    std::size_t length = before;

    // Started without the launch option, no human player: only the slow
    // frames, which are counted anyway; no ping of 0 a dashboard would average.
    // The series carry the server's labels, its address among them.
    ProfileMetricsFigures figures{};
    figures.totals.slowFrames = 7;
    MetricsSnapshot server{};
    server.port = 27016;
    server.address = "10.0.0.1";
    server.game = "cs\"x";
    char labels[kServerLabelsSize];
    ASSERT_TRUE(FormatServerLabels(server, labels, sizeof(labels)));
    ASSERT_TRUE(AppendProfileMetrics(figures, labels, text, sizeof(text), &length));
    std::string file(text, length);
    EXPECT_EQ(file.rfind("# before\n", 0), 0u);
    EXPECT_NE(file.find("zeq_kestrin_slow_frames_total{port=\"27016\",address=\"10.0.0.1\",game=\"cs\\\"x\"} 7\n"),
              std::string::npos);
    EXPECT_EQ(file.find("family="), std::string::npos);
    EXPECT_EQ(file.find("zeq_kestrin_player_"), std::string::npos);

    figures.haveFamilies = true;
    figures.totals.seconds[kFamilyThink] = 1.25;
    figures.totals.frames = 400;
    figures.players = PlayerNetwork{2, 45, 80, 80, 1, 3, 3};
    length = before;
    ASSERT_TRUE(AppendProfileMetrics(figures, "port=\"27015\",game=\"cstrike\"", text, sizeof(text), &length));
    file.assign(text, length);
    for (const char *sample :
         {"zeq_kestrin_frame_family_seconds_total{port=\"27015\",game=\"cstrike\",family=\"think\"} 1.25\n",
          "zeq_kestrin_frame_family_seconds_total{port=\"27015\",game=\"cstrike\",family=\"rest\"} 0\n",
          "zeq_kestrin_profiled_frames_total{port=\"27015\",game=\"cstrike\"} 400\n",
          "zeq_kestrin_player_ping_seconds{port=\"27015\",game=\"cstrike\",stat=\"p90\"} 0.08\n",
          "zeq_kestrin_player_loss_ratio{port=\"27015\",game=\"cstrike\",stat=\"max\"} 0.03\n"})
        EXPECT_NE(file.find(sample), std::string::npos) << sample;

    // One byte short: refused, the length left as it was.
    const std::size_t whole = length;
    length = before;
    EXPECT_FALSE(AppendProfileMetrics(figures, "port=\"27015\",game=\"cstrike\"", text, whole, &length));
    EXPECT_EQ(length, before);
}
