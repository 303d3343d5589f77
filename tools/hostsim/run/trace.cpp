#include "run/trace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <sstream>

#include "engine/engine_text.h"

namespace hostsim {

namespace {

Trace *g_openTrace = nullptr;
bool g_exitHandlerRegistered = false;

void FinishTraceAtExit() {
    if (g_openTrace) g_openTrace->finish();
}

std::string CsvField(const std::string &value) {
    if (value.find_first_of(",\"\n") == std::string::npos) return value;
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// A number at the start of the text, with a point whatever the locale.
bool Number(const std::string &text, double *value) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double parsed = 0;
    if (!(in >> parsed) || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

std::string Fixed(double value, int decimals) { return FixedText(value, decimals); }

// A step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double TickStep(double range, int count) {
    if (range <= 0) return 1;
    double raw = range / count;
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    double fraction = raw / power;
    double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
    return nice * power;
}

std::string TickLabel(double value, double step) {
    int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    return Fixed(value, decimals);
}

}  // namespace

Trace::~Trace() { finish(); }

bool Trace::open(const std::string &path, std::string *error) {
    path_ = path;
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    std::fputs("game_time,zeq_fps,sys_ticrate,zeq_kestrin_sleepsm\n", file_);
    std::fflush(file_);
    g_openTrace = this;
    if (!g_exitHandlerRegistered) {
        g_exitHandlerRegistered = true;
        std::atexit(&FinishTraceAtExit);
    }
    return true;
}

void Trace::sample(EngineSim &engine) {
    if (!file_) return;
    double time = engine.globals()->time;
    if (time < lastTime_) offset_ += lastTime_;  // a new map started
    lastTime_ = time;
    const char *fps = engine.cvarString("zeq_fps");
    if (!fps) return;
    if (haveLast_ && lastFps_ == fps) return;
    haveLast_ = true;
    lastFps_ = fps;
    const char *ticrate = engine.cvarString("sys_ticrate");
    const char *sleep = engine.cvarString("zeq_kestrin_sleepsm");
    Row row{time, offset_ + time, fps, ticrate ? ticrate : "", sleep ? sleep : ""};
    std::fprintf(file_, "%s,%s,%s,%s\n", Fixed(row.time, 3).c_str(), CsvField(row.fps).c_str(),
                 CsvField(row.ticrate).c_str(), CsvField(row.sleep).c_str());
    std::fflush(file_);
    rows_.push_back(row);
}

void Trace::add(double time, const std::string &fps, const std::string &ticrate, const std::string &sleep) {
    if (time < lastTime_) offset_ += lastTime_;
    lastTime_ = time;
    rows_.push_back(Row{time, offset_ + time, fps, ticrate, sleep});
}

void Trace::finish() {
    if (finished_ || !file_) return;
    finished_ = true;
    std::fclose(file_);
    file_ = nullptr;
    if (g_openTrace == this) g_openTrace = nullptr;
    std::FILE *plot = std::fopen((path_ + ".svg").c_str(), "w");
    if (!plot) {
        std::fprintf(stderr, "hostsim: cannot write %s.svg\n", path_.c_str());
        return;
    }
    std::string document = svg();
    std::fwrite(document.data(), 1, document.size(), plot);
    std::fclose(plot);
}

std::string Trace::svg() const {
    const double width = 760, height = 380;
    const double left = 64, right = 24, top = 60, bottom = 52;
    const double plotWidth = width - left - right, plotHeight = height - top - bottom;

    // Game time starts again at each map: plot against the running total,
    // up to the last frame seen.
    std::vector<double> xs;
    for (const Row &row : rows_) xs.push_back(row.elapsed);
    double xMin = xs.empty() ? 0 : xs.front();
    double xMax = xs.empty() ? 1 : std::max(xs.back(), offset_ + lastTime_);
    if (xMax <= xMin) xMax = xMin + 1;
    double yMax = 0;
    for (const Row &row : rows_) {
        double value;
        if (Number(row.fps, &value)) yMax = std::max(yMax, value);
        if (Number(row.ticrate, &value)) yMax = std::max(yMax, value);
    }
    yMax = yMax <= 0 ? 1 : yMax * 1.1;

    auto px = [&](double x) { return left + (x - xMin) / (xMax - xMin) * plotWidth; };
    auto py = [&](double y) { return top + plotHeight - y / yMax * plotHeight; };

    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Fixed(width, 0) + "\" height=\"" +
           Fixed(height, 0) + "\" viewBox=\"0 0 " + Fixed(width, 0) + " " + Fixed(height, 0) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out += "<text x=\"" + Fixed(width / 2, 1) +
           "\" y=\"24\" text-anchor=\"middle\" font-size=\"15\">zeq_fps and sys_ticrate over game time</text>\n";

    // Grid, ticks and labels.
    double yStep = TickStep(yMax, 5);
    for (double y = 0; y <= yMax + 1e-9; y += yStep) {
        std::string Y = Fixed(py(y), 1);
        out += "<line x1=\"" + Fixed(left, 1) + "\" y1=\"" + Y + "\" x2=\"" + Fixed(left + plotWidth, 1) + "\" y2=\"" +
               Y + "\" stroke=\"#e4e4e4\"/>\n";
        out += "<text x=\"" + Fixed(left - 6, 1) + "\" y=\"" + Fixed(py(y) + 4, 1) + "\" text-anchor=\"end\">" +
               TickLabel(y, yStep) + "</text>\n";
    }
    double xStep = TickStep(xMax - xMin, 6);
    for (double x = std::ceil(xMin / xStep) * xStep; x <= xMax + 1e-9; x += xStep) {
        std::string X = Fixed(px(x), 1);
        out += "<line x1=\"" + X + "\" y1=\"" + Fixed(top, 1) + "\" x2=\"" + X + "\" y2=\"" +
               Fixed(top + plotHeight, 1) + "\" stroke=\"#e4e4e4\"/>\n";
        out += "<text x=\"" + X + "\" y=\"" + Fixed(top + plotHeight + 16, 1) + "\" text-anchor=\"middle\">" +
               TickLabel(x, xStep) + "</text>\n";
    }
    out += "<polyline points=\"" + Fixed(left, 1) + "," + Fixed(top, 1) + " " + Fixed(left, 1) + "," +
           Fixed(top + plotHeight, 1) + " " + Fixed(left + plotWidth, 1) + "," + Fixed(top + plotHeight, 1) +
           "\" fill=\"none\" stroke=\"black\"/>\n";
    out += "<text x=\"" + Fixed(left + plotWidth / 2, 1) + "\" y=\"" + Fixed(height - 12, 1) +
           "\" text-anchor=\"middle\">game time (s)</text>\n";
    out += "<text x=\"16\" y=\"" + Fixed(top + plotHeight / 2, 1) + "\" text-anchor=\"middle\" transform=\"rotate(-90 16 " +
           Fixed(top + plotHeight / 2, 1) + ")\">frames per second</text>\n";

    // Each value holds until the next row: draw steps.
    struct Series {
        std::string Row::*field;
        const char *name;
        const char *colour;
    };
    const Series series[] = {{&Row::fps, "zeq_fps", "#1f6fd1"}, {&Row::ticrate, "sys_ticrate", "#d1451f"}};
    for (const Series &s : series) {
        std::string points;
        bool have = false;
        double lastY = 0;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            double value;
            if (!Number(rows_[i].*s.field, &value)) continue;
            if (have) points += Fixed(px(xs[i]), 1) + "," + Fixed(py(lastY), 1) + " ";
            points += Fixed(px(xs[i]), 1) + "," + Fixed(py(value), 1) + " ";
            lastY = value;
            have = true;
        }
        if (!have) continue;
        points += Fixed(px(xMax), 1) + "," + Fixed(py(lastY), 1);
        out += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + s.colour +
               "\" stroke-width=\"2\"/>\n";
    }

    // Legend, above the plot on the right.
    for (std::size_t i = 0; i < 2; ++i) {
        double x = left + plotWidth - 230 + 120 * static_cast<double>(i), y = top - 14;
        out += "<line x1=\"" + Fixed(x, 1) + "\" y1=\"" + Fixed(y, 1) + "\" x2=\"" + Fixed(x + 24, 1) + "\" y2=\"" +
               Fixed(y, 1) + "\" stroke=\"" + series[i].colour + "\" stroke-width=\"2\"/>\n";
        out += "<text x=\"" + Fixed(x + 30, 1) + "\" y=\"" + Fixed(y + 4, 1) + "\">" + series[i].name + "</text>\n";
    }
    if (rows_.empty())
        out += "<text x=\"" + Fixed(left + plotWidth / 2, 1) + "\" y=\"" + Fixed(top + plotHeight / 2, 1) +
               "\" text-anchor=\"middle\" fill=\"#999\">no samples: zeq_fps never appeared</text>\n";
    out += "</svg>\n";
    return out;
}

}  // namespace hostsim
