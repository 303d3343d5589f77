// Warnings when the tick rate the plugin asks of the engine does not take
// effect: sys_ticrate changed by someone else between two checks, or a server
// that keeps making clearly fewer frames than the operator asked for.  Both
// are watched only while the plugin steers sys_ticrate.
#pragma once

#include <cstdint>

// How the plugin steers sys_ticrate at a check.
enum class RateMode {
    Off,        // zeq_kestrin_autofps 49 or less, zeq_kestrin_sysrate 49.99 or less: left alone
    Automatic,  // raised and lowered until the frames a second reach zeq_kestrin_autofps
    Fixed,      // set to zeq_kestrin_sysrate
};

struct RateSteering {
    RateMode mode;
    float target;    // frames a second asked: zeq_kestrin_autofps or zeq_kestrin_sysrate
    float fullFrom;  // from this sys_ticrate on, the control asks the engine for all it
                     // will ask (below it, an automatic control is still climbing)
};

struct RateWatch {
    bool haveExpected;   // a steering check has left sys_ticrate at `expected`
    float expected;
    uint32_t changes;    // changes by others seen since the server started
    float changedFrom;   // the last such change
    float changedTo;
    int shortChecks;     // checks in a row short of the target
    bool shortWarned;    // the shortfall was reported on this map
    RateMode shortMode;  // the last shortfall seen: how the rate was steered,
    float shortTarget;   // the frames a second asked,
    float shortHeld;     // sys_ticrate during that window
    uint32_t shortFps;   // and the frames made
};

// Checks in a row short of the target before the warning.
constexpr int kShortfallChecks = 3;
// Short: below this share of the target, in percent.  In fixed mode the
// engine's own loss shows (many make a little less than sys_ticrate); in
// automatic mode the control has already made up for it, so what is left is
// what the engine cannot give.
constexpr int kFixedShortPercent = 90;
constexpr int kAutomaticShortPercent = 95;

void RateWatchMapStart(RateWatch &watch);
// At a check, before the governor writes: `held` is the engine's sys_ticrate.
void RateWatchBeforeCheck(RateWatch &watch, const RateSteering &steering, float held);
// After the governor's step: `heldDuringWindow` is what the engine held while
// the window's `fps` frames a second were made, `heldNow` what it holds now.
void RateWatchAfterCheck(RateWatch &watch, const RateSteering &steering, float heldDuringWindow, uint32_t fps,
                         float heldNow);
