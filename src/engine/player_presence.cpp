#include "engine/player_presence.h"

#include <cstring>

#include "engine/engine_services.h"

int g_presence[kPresenceSlots];

void ClearPresence() { std::memset(g_presence, 0, sizeof(g_presence)); }

void SetPresence(const edict_t *pEntity, int present) {
    const int index = PlayerIndex(pEntity);
    if (index >= 1 && index < kPresenceSlots) g_presence[index] = present;
}

int CountPresentPlayers() {
    int count = 0;
    for (int index = 1; index < kPresenceSlots; ++index) count += g_presence[index];
    return count;
}
