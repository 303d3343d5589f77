#include "diagnostics/rate_watch.h"

#include "engine/decimal_text.h"
#include "log/log.h"

namespace {
struct Number {
    char text[32];
    explicit Number(double value) { FormatDecimalShort(text, sizeof(text), value, 2); }
};

bool Short(const RateSteering &steering, float held, uint32_t fps) {
    if (!(steering.target > 0.0f) || !(held >= steering.fullFrom)) return false;
    const int percent = steering.mode == RateMode::Fixed ? kFixedShortPercent : kAutomaticShortPercent;
    return static_cast<double>(fps) * 100.0 < static_cast<double>(steering.target) * percent;
}

void WarnShortfall(const RateWatch &watch) {
    const Number target(watch.shortTarget);
    const Number held(watch.shortHeld);
    if (watch.shortMode == RateMode::Automatic)
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
                   "The server makes %u frames a second, short of the %s asked by zeq_kestrin_autofps, "
                   "with sys_ticrate raised to %s: the engine does not give more. "
                   "Lower zeq_kestrin_autofps to %u.",
                   watch.shortFps, target.text, held.text, watch.shortFps);
    else
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
                   "The server makes %u frames a second, short of the %s set by zeq_kestrin_sysrate: "
                   "the engine does not give more at that sys_ticrate. Lower zeq_kestrin_sysrate to %u, "
                   "or set it to 0 and zeq_kestrin_autofps to the frames a second wanted: the plugin then "
                   "raises sys_ticrate until they are made.",
                   watch.shortFps, target.text, watch.shortFps);
}
}  // namespace

void RateWatchMapStart(RateWatch &watch) {
    watch.shortChecks = 0;
    watch.shortWarned = false;
}

void RateWatchBeforeCheck(RateWatch &watch, const RateSteering &steering, float held) {
    // Without steering sys_ticrate is the operator's: nothing to expect.
    if (steering.mode == RateMode::Off) watch.haveExpected = false;
    if (!watch.haveExpected || held == watch.expected) return;
    ++watch.changes;
    watch.changedFrom = watch.expected;
    watch.changedTo = held;
    // Reported once per change: the check that follows takes the engine's
    // value as the one to expect next (RateWatchAfterCheck).
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "sys_ticrate reads %s, not %s as set by this plugin: another plugin or a command changed it.",
               GeneralText(static_cast<double>(watch.changedTo)).szText,
               GeneralText(static_cast<double>(watch.changedFrom)).szText);
}

void RateWatchAfterCheck(RateWatch &watch, const RateSteering &steering, float heldDuringWindow, uint32_t fps,
                         float heldNow) {
    watch.haveExpected = steering.mode != RateMode::Off;
    watch.expected = heldNow;
    // A new mode or target starts a new run.
    if (steering.mode != watch.shortMode || steering.target != watch.shortTarget) watch.shortChecks = 0;
    if (steering.mode == RateMode::Off || !Short(steering, heldDuringWindow, fps)) {
        watch.shortChecks = 0;
        return;
    }
    watch.shortMode = steering.mode;
    watch.shortTarget = steering.target;
    watch.shortHeld = heldDuringWindow;
    watch.shortFps = fps;
    if (++watch.shortChecks < kShortfallChecks || watch.shortWarned) return;
    watch.shortWarned = true;
    WarnShortfall(watch);
}
