#include "engine/player_presence.h"

#include <cstring>

int g_presence[kPresenceSlots];

void ClearPresence() { std::memset(g_presence, 0, sizeof(g_presence)); }

int CountPresentPlayers() {
    int count = 0;
    for (int index = 1; index < kPresenceSlots; ++index) count += g_presence[index];
    return count;
}
