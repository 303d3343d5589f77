// The join and information messages sent to a connecting player's console.
#pragma once

#include "sdk/engine.h"

// Each message is formatted into its own buffer of this size (longer texts
// are cut).
constexpr int kJoinMessageSize = 512;

// Sends the messages chosen by zeq_kestrin_join_msg and zeq_kestrin_info;
// true when the join message was sent.
bool SendJoinMessages(edict_t *pEntity);
