// Where the frame goes: the time of the calls into the game library, per
// frame, grouped into families, with this plugin's own work as a family of
// its own and the rest of the frame (the engine, the network, its sleep)
// as what is left; the slow frames (longer than zeq_kestrin_slowframe_ms).
//
// The calls are timed only by hooks installed at load, when the server was
// started with the launch option -zeq_kestrin_profile; zeq_kestrin_profile
// switches the measuring on and off where they are installed.  Without the
// option the hook tables are exactly those of a server without the profile.
#pragma once

#include <cstdint>

#include "platform/profile_clock.h"

enum ProfileFamily : uint32_t {
    kFamilyFrameStart,  // StartFrame
    kFamilyThink,       // Think
    kFamilyTouch,       // Touch, Blocked
    kFamilyPlayers,     // PlayerPreThink, PlayerPostThink
    kFamilyCommands,    // ClientCommand, ClientUserInfoChanged, connect, disconnect
    kFamilyOther,       // every other call into the game library
    kFamilyPlugin,      // this plugin's own work
    kProfileFamilies
};
// The rest of the frame, after the families: index kProfileFamilies.
constexpr uint32_t kProfileParts = kProfileFamilies + 1;

// "entity thinking" and so on; the metrics' label values ("think").
extern const char *const kProfilePartNames[kProfileParts];
extern const char *const kProfilePartKeys[kProfileParts];

extern const char kProfileLaunchOption[];  // "-zeq_kestrin_profile"
extern bool g_profileHooksInstalled;       // decided at load
extern bool g_profileMeasuring;            // installed and zeq_kestrin_profile 1

// ------------------------------------------------------------ per call
// Nested calls (a Touch inside a Think) count once, in the innermost family.
constexpr uint32_t kProfileDepth = 16;
struct ProfileStack {
    uint32_t depth;
    uint64_t start[kProfileDepth];
    uint64_t inner[kProfileDepth];  // ticks of the calls nested in this one
    uint64_t frameTicks[kProfileFamilies];
};
extern ProfileStack g_profileStack;

inline void ProfileEnter() {
    if (!g_profileMeasuring) return;
    ProfileStack &s = g_profileStack;
    if (s.depth >= kProfileDepth) return;
    s.inner[s.depth] = 0;
    s.start[s.depth++] = platform::ProfileTicks();
}

inline void ProfileLeave(ProfileFamily family) {
    ProfileStack &s = g_profileStack;
    if (!g_profileMeasuring || s.depth == 0) return;
    const uint64_t total = platform::ProfileTicks() - s.start[--s.depth];
    s.frameTicks[family] += total - s.inner[s.depth];
    if (s.depth > 0) s.inner[s.depth - 1] += total;
}

// ------------------------------------------------------------ per window
struct ProfilePartFigures {
    uint32_t p50Us, p99Us, maxUs;
    double meanUs;
};

struct ProfileWindow {
    uint32_t frames;          // frames measured by family (0: the profile did not measure)
    ProfilePartFigures parts[kProfileParts];
    uint32_t slowFrames;      // longer than zeq_kestrin_slowframe_ms, measured or not
    uint32_t slowFrameMs;     // the limit the window used (0: not counted)
};

// Since the server started (the metrics' counters).
struct ProfileTotals {
    double seconds[kProfileParts];
    uint64_t frames;      // frames measured by family
    uint64_t slowFrames;
};

// The frame path: one closed frame interval (nanoseconds).
void ProfileFrameEnd(uint64_t intervalNs);
// Map start and the checks: the variables are read, the window is closed
// and its slow frame logged.
void ProfileMapStart();
void ProfileCloseWindow();

const ProfileWindow &LastProfileWindow();
const ProfileTotals &ProfileSinceStart();
// The launch option was not given but zeq_kestrin_profile asks for the
// profile: the stats command and the log say it needs a restart.
bool ProfileNeedsRestart();

void ResetProfileForTests();
