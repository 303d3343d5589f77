// Warnings when the tick rate asked of the engine does not take effect:
// sys_ticrate changed by someone else between two checks, or a server that
// keeps making clearly fewer frames than sys_ticrate asks for.
#pragma once

#include <cstdint>

struct RateWatch {
    bool haveExpected;   // a check has left sys_ticrate at `expected`
    float expected;
    uint32_t changes;    // changes by others seen since the server started
    float changedFrom;   // the last such change
    float changedTo;
    int shortChecks;     // checks in a row below 90 % of the rate asked
    bool shortWarned;    // the shortfall was reported on this map
    float shortAsked;    // the last shortfall seen: rate asked, frames made
    uint32_t shortFps;
};

// Checks in a row below 90 % of the asked rate before the warning.
constexpr int kShortfallChecks = 3;

void RateWatchMapStart(RateWatch &watch);
// At a check, before the governor writes: `held` is the engine's sys_ticrate.
void RateWatchBeforeCheck(RateWatch &watch, float held);
// After the governor's step: `heldDuringWindow` is what the engine held while
// the window's `fps` frames a second were made, `heldNow` what it holds now.
void RateWatchAfterCheck(RateWatch &watch, float heldDuringWindow, uint32_t fps, float heldNow);
