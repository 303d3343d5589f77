#include "diagnostics/rate_watch.h"

#include "engine/decimal_text.h"
#include "log/log.h"

void RateWatchMapStart(RateWatch &watch) {
    watch.shortChecks = 0;
    watch.shortWarned = false;
}

void RateWatchBeforeCheck(RateWatch &watch, float held) {
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

void RateWatchAfterCheck(RateWatch &watch, float heldDuringWindow, uint32_t fps, float heldNow) {
    watch.haveExpected = true;
    watch.expected = heldNow;
    if (!(heldDuringWindow > 0.0f) || static_cast<double>(fps) * 10.0 >= static_cast<double>(heldDuringWindow) * 9.0) {
        watch.shortChecks = 0;
        return;
    }
    watch.shortAsked = heldDuringWindow;
    watch.shortFps = fps;
    if (++watch.shortChecks < kShortfallChecks || watch.shortWarned) return;
    watch.shortWarned = true;
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "sys_ticrate asks for %s frames a second, but the server makes %u: the engine does not give more. "
               "Set zeq_kestrin_autofps or zeq_kestrin_sysrate to what it makes.",
               GeneralText(static_cast<double>(heldDuringWindow)).szText, fps);
}
