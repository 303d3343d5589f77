// The frame profile's and the players' figures in the metrics file, after
// the rest of its text: the time of the frames by family and the slow
// frames since the server started (counters), the human players' ping and
// loss at the last check (gauges, left out when no human player is there).
#pragma once

#include <cstddef>

#include "diagnostics/frame_profile.h"
#include "diagnostics/metrics_text.h"
#include "diagnostics/player_network.h"

struct ProfileMetricsFigures {
    bool haveFamilies;  // the server was started with the launch option
    ProfileTotals totals;
    PlayerNetwork players;
};

// Appends the figures to the text of *length bytes in szText; false (and the
// text cut) when they do not fit.  Every series carries the server's labels
// (FormatServerLabels).
bool AppendProfileMetrics(const ProfileMetricsFigures &figures, const char *szServerLabels, char *szText,
                          std::size_t size, std::size_t *length);
// The same with this server's figures now, under the snapshot's labels.
bool AppendServerProfileMetrics(const MetricsSnapshot &snapshot, char *szText, std::size_t size, std::size_t *length);
