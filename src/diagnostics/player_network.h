// What players feel: the connected human players' ping and packet loss as
// the engine reports them (pfnGetPlayerStats), read at each check.  Bots
// (FL_FAKECLIENT) and a listen server's own player are left out.
#pragma once

#include "sdk/engine.h"

struct PlayerNetwork {
    int humans;  // 0: no figure at all
    int pingP50, pingP90, pingMax;  // milliseconds
    int lossP50, lossP90, lossMax;  // percent
};

// The hooks keep the player edicts (put in server, disconnect, map start).
void NotePlayerEdict(edict_t *pEntity, bool present);
void ClearPlayerEdicts();

void ReadPlayerNetwork();
const PlayerNetwork &LastPlayerNetwork();
