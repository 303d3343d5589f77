// The join and information messages sent to a connecting player's console.
#pragma once

#include "sdk/engine.h"

// Sends the messages; true when the join message was sent.
bool SendJoinMessages(edict_t *pEntity);
