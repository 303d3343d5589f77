// The games the plugin supports, and the name of the running game's directory.
#pragma once

#include <cstdint>

struct KnownMod {
    char gameDir[32];
    char linuxLibrary[32];
    char windowsLibrary[32];
    char description[256];
    int32_t gameVersion;
};

// The record whose gameDir equals the name (case-sensitive), or null.
const KnownMod *FindKnownMod(const char *szGameDir);
// The game library this build loads in standalone mode: the record's
// (cs_i386.so, mp.dll) on 32-bit builds, cs_amd64.so or cs_arm64.so on the
// 64-bit Linux builds.
const char *GameLibraryName(const KnownMod &mod);
// The name newer Steam installations give the Linux game library ("cs.so"),
// tried when the usual one cannot be loaded; null on Windows.
const char *GameLibraryOtherName();
// The last component of the engine's game directory, without trailing
// separators ('\\' and '/' both count).  Lives in a static buffer.
const char *GameDirName();
