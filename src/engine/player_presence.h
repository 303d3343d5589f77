// Player presence: 33 slots by player index, 1 to 32 used.  The hooks mark
// players in and out; the join messages count them.
#pragma once

#include "engine/engine_services.h"
#include "sdk/engine.h"

constexpr int kPresenceSlots = 33;
extern int g_presence[kPresenceSlots];
void ClearPresence();
// Inline: the pre-think hook marks its player on every frame.
inline void SetPresence(const edict_t *pEntity, int present) {
    const int index = PlayerIndex(pEntity);
    if (index >= 1 && index < kPresenceSlots) g_presence[index] = present;
}
int CountPresentPlayers();
