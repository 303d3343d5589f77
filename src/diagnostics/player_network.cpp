#include "diagnostics/player_network.h"

#include <algorithm>

#include "engine/engine_services.h"
#include "engine/player_presence.h"
#include "engine/plugin_state.h"

namespace {
constexpr int kFakeClient = 1 << 13;  // FL_FAKECLIENT
edict_t *s_players[kPresenceSlots] = {};
PlayerNetwork s_last{};

// Nearest rank over a sorted list.
int Rank(const int *sorted, int count, int percent) {
    int rank = (count * percent + 99) / 100;
    if (rank < 1) rank = 1;
    return sorted[rank - 1];
}
}  // namespace

void NotePlayerEdict(edict_t *pEntity, bool present) {
    const int index = PlayerIndex(pEntity);
    if (index >= 1 && index < kPresenceSlots) s_players[index] = present ? pEntity : nullptr;
}

void ClearPlayerEdicts() {
    for (edict_t *&player : s_players) player = nullptr;
}

void ReadPlayerNetwork() {
    s_last = PlayerNetwork{};
    if (g_engfuncs.pfnGetPlayerStats == nullptr) return;
    int pings[kPresenceSlots];
    int losses[kPresenceSlots];
    int humans = 0;
    for (int i = 1; i < kPresenceSlots; ++i) {
        edict_t *player = s_players[i];
        if (player == nullptr || player == g_pListenServerHost || (player->v.flags & kFakeClient) != 0) continue;
        int ping = 0, loss = 0;
        g_engfuncs.pfnGetPlayerStats(player, &ping, &loss);
        pings[humans] = ping;
        losses[humans] = loss;
        ++humans;
    }
    if (humans == 0) return;
    std::sort(pings, pings + humans);
    std::sort(losses, losses + humans);
    s_last.humans = humans;
    s_last.pingP50 = Rank(pings, humans, 50);
    s_last.pingP90 = Rank(pings, humans, 90);
    s_last.pingMax = pings[humans - 1];
    s_last.lossP50 = Rank(losses, humans, 50);
    s_last.lossP90 = Rank(losses, humans, 90);
    s_last.lossMax = losses[humans - 1];
}

const PlayerNetwork &LastPlayerNetwork() { return s_last; }
