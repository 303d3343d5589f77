#include "diagnostics/profile_metrics.h"

#include <cstdio>

#include "diagnostics/metrics_text.h"

namespace {

void Percentiles(MetricsWriter &out, const char *szName, double p50, double p90, double max) {
    out.Real(szName, p50, "stat=\"p50\"");
    out.Real(szName, p90, "stat=\"p90\"");
    out.Real(szName, max, "stat=\"max\"");
}

}  // namespace

bool AppendProfileMetrics(const ProfileMetricsFigures &figures, const char *szServerLabels, char *szText,
                          std::size_t size, std::size_t *length) {
    MetricsText text(szText, size, *length);
    MetricsWriter out(text, szServerLabels);
    if (figures.haveFamilies) {
        out.Family("zeq_kestrin_frame_family_seconds_total", "counter",
                   "Time of the frames the profile measured, by where it went: the game library's calls by family, "
                   "this plugin, the rest of the frame.");
        for (uint32_t i = 0; i < kProfileParts; ++i) {
            char family[32];
            std::snprintf(family, sizeof(family), "family=\"%s\"", kProfilePartKeys[i]);
            out.Real("zeq_kestrin_frame_family_seconds_total", figures.totals.seconds[i], family);
        }
        out.Family("zeq_kestrin_profiled_frames_total", "counter", "Frames the profile measured.");
        out.Whole("zeq_kestrin_profiled_frames_total", figures.totals.frames);
    }
    out.Family("zeq_kestrin_slow_frames_total", "counter",
               "Frames longer than zeq_kestrin_slowframe_ms since the server started.");
    out.Whole("zeq_kestrin_slow_frames_total", figures.totals.slowFrames);

    const PlayerNetwork &players = figures.players;
    if (players.humans > 0) {
        out.Family("zeq_kestrin_player_ping_seconds", "gauge",
                   "The human players' ping at the last check: median, 90th percentile and maximum.");
        Percentiles(out, "zeq_kestrin_player_ping_seconds", players.pingP50 / 1e3, players.pingP90 / 1e3,
                    players.pingMax / 1e3);
        out.Family("zeq_kestrin_player_loss_ratio", "gauge",
                   "The human players' packet loss at the last check: median, 90th percentile and maximum.");
        Percentiles(out, "zeq_kestrin_player_loss_ratio", players.lossP50 / 1e2, players.lossP90 / 1e2,
                    players.lossMax / 1e2);
    }
    if (!text.fits()) return false;
    *length = text.used();
    return true;
}

bool AppendServerProfileMetrics(const MetricsSnapshot &snapshot, char *szText, std::size_t size,
                                std::size_t *length) {
    char labels[kServerLabelsSize];
    if (!FormatServerLabels(snapshot, labels, sizeof(labels))) return false;
    ProfileMetricsFigures figures{};
    figures.haveFamilies = g_profileHooksInstalled;
    figures.totals = ProfileSinceStart();
    figures.players = LastPlayerNetwork();
    return AppendProfileMetrics(figures, labels, szText, size, length);
}
