#include "engine/frame_timing.h"

#include <algorithm>
#include <cstdlib>

namespace hostsim {

bool ParseFrameTimingOption(const std::string &option, const std::string &value, FrameTimingOptions *options,
                            std::string *error, bool *known) {
    double *number = nullptr;
    if (option == "--max-fps") number = &options->maxFps;
    else if (option == "--rate-percent") number = &options->ratePercent;
    else if (option == "--jitter-us") number = &options->jitterUs;
    else if (option == "--long-frame-ms") number = &options->longFrameMs;
    *known = number != nullptr || option == "--long-frame-every";
    if (!*known) return false;
    char *end = nullptr;
    const double parsed = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(parsed >= 0) || parsed > 1e7) {
        *error = option + " needs a number of 0 or more, not '" + value + "'";
        return false;
    }
    if (number == &options->ratePercent && !(parsed > 0)) {
        *error = option + " needs a share above 0, not '" + value + "'";
        return false;
    }
    if (number != nullptr)
        *number = parsed;
    else
        options->longFrameEvery = static_cast<long>(parsed);
    return true;
}

double FrameTiming::jitter() {
    // xorshift32: small, and the same sequence on every platform.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483647.5 - 1.0;
}

double FrameTiming::nextInterval(double ticrate) {
    ++frames_;
    if (options_.longFrameEvery > 0 && frames_ % options_.longFrameEvery == 0) return options_.longFrameMs / 1000.0;
    double interval = 1.0 / ((ticrate > 0 ? ticrate + 1.0 : 1.0) * options_.ratePercent / 100.0);
    if (options_.maxFps > 0) interval = std::max(interval, 1.0 / options_.maxFps);
    if (options_.jitterUs > 0) interval += jitter() * options_.jitterUs / 1e6;
    return std::max(interval, 0.0);
}

}  // namespace hostsim
