// Player presence: 33 slots by player index, 1 to 32 used.  The hooks mark
// players in and out; the join messages count them.
#pragma once

#include "sdk/engine.h"

constexpr int kPresenceSlots = 33;
extern int g_presence[kPresenceSlots];
void ClearPresence();
void SetPresence(const edict_t *pEntity, int present);
int CountPresentPlayers();
