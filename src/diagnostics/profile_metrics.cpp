#include "diagnostics/profile_metrics.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "diagnostics/metrics_text.h"
#include "engine/decimal_text.h"

namespace {

class Appender {
public:
    Appender(char *szText, std::size_t size, std::size_t used, const char *szLabels)
        : text_(szText), size_(size), used_(used), labels_(szLabels) {}
    void Add(const char *szPiece) {
        const std::size_t length = std::strlen(szPiece);
        if (!fits_ || used_ + length >= size_) {
            fits_ = false;
            return;
        }
        std::memcpy(text_ + used_, szPiece, length + 1);
        used_ += length;
    }
    void Family(const char *szName, const char *szType, const char *szHelp) {
        for (const char *piece : {"# HELP ", szName, " ", szHelp, "\n# TYPE ", szName, " ", szType, "\n"}) Add(piece);
    }
    // name{server labels[,name="value"]} value
    void Sample(const char *szName, const char *szLabel, const char *szValue, const char *szNumber) {
        Add(szName);
        Add("{");
        Add(labels_);
        if (szLabel != nullptr) {
            for (const char *piece : {",", szLabel, "=\"", szValue, "\""}) Add(piece);
        }
        Add("} ");
        Add(szNumber);
        Add("\n");
    }
    void Real(const char *szName, const char *szLabel, const char *szValue, double value) {
        char number[64];
        FormatDecimalShort(number, sizeof(number), value, 9);
        Sample(szName, szLabel, szValue, number);
    }
    void Whole(const char *szName, uint64_t value) {
        char number[24];
        std::snprintf(number, sizeof(number), "%" PRIu64, value);
        Sample(szName, nullptr, nullptr, number);
    }
    bool fits() const { return fits_; }
    std::size_t used() const { return used_; }

private:
    char *text_;
    std::size_t size_;
    std::size_t used_;
    const char *labels_;
    bool fits_ = true;
};

void Percentiles(Appender &out, const char *szName, double p50, double p90, double max) {
    out.Real(szName, "stat", "p50", p50);
    out.Real(szName, "stat", "p90", p90);
    out.Real(szName, "stat", "max", max);
}

}  // namespace

bool AppendProfileMetrics(const ProfileMetricsFigures &figures, const char *szServerLabels, char *szText,
                          std::size_t size, std::size_t *length) {
    Appender out(szText, size, *length, szServerLabels);
    if (figures.haveFamilies) {
        out.Family("zeq_kestrin_frame_family_seconds_total", "counter",
                   "Time of the frames the profile measured, by where it went: the game library's calls by family, "
                   "this plugin, the rest of the frame.");
        for (uint32_t i = 0; i < kProfileParts; ++i)
            out.Real("zeq_kestrin_frame_family_seconds_total", "family", kProfilePartKeys[i],
                     figures.totals.seconds[i]);
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
    if (!out.fits()) return false;
    *length = out.used();
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
