// The fake engine's edicts (0 the world, 1..maxClients the players, the
// rest allocated by the game library) and the players' consoles.
#include <cstring>
#include <string>

#include "engine/engine_sim.h"

namespace hostsim {

// ---- edicts

edict_t *EngineSim::edict(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= edicts_.size()) return nullptr;
    return &edicts_[static_cast<std::size_t>(index)];
}

int EngineSim::indexOf(const edict_t *entity) const {
    if (!entity || edicts_.empty()) return -1;
    const edict_t *base = edicts_.data();
    if (entity < base || entity >= base + edicts_.size()) return -1;
    return static_cast<int>(entity - base);
}

int EngineSim::edictCount() const {
    for (std::size_t i = edicts_.size(); i > 0; --i)
        if (!edicts_[i - 1].free) return static_cast<int>(i);
    return 0;
}

int EngineSim::usedEntityCount() const {
    int count = 0;
    int end = edictCount();
    for (int i = 1; i < end; ++i)
        if (!edicts_[static_cast<std::size_t>(i)].free) ++count;
    return count;
}

edict_t *EngineSim::createEntity(const char *classname) {
    for (std::size_t i = static_cast<std::size_t>(options_.maxClients) + 1; i < edicts_.size(); ++i) {
        edict_t &entity = edicts_[i];
        if (!entity.free) continue;
        int serial = entity.serialnumber;
        std::memset(&entity, 0, sizeof entity);
        entity.serialnumber = serial + 1;
        entity.v.pContainingEntity = &entity;
        entity.v.classname = allocString(classname);
        return &entity;
    }
    EngineError("ED_Alloc: no free edicts");
}

void EngineSim::freeEntity(edict_t *entity) {
    int index = indexOf(entity);
    if (index <= options_.maxClients) return;
    std::memset(&entity->v, 0, sizeof entity->v);
    entity->v.pContainingEntity = entity;
    entity->free = 1;
    entity->freetime = globals_.time;
}

void EngineSim::freeAllEntities() {
    for (std::size_t i = static_cast<std::size_t>(options_.maxClients) + 1; i < edicts_.size(); ++i)
        if (!edicts_[i].free) freeEntity(&edicts_[i]);
}

void EngineSim::setTime(double time, double frametime) {
    globals_.time = static_cast<float>(time);
    globals_.frametime = static_cast<float>(frametime);
}

void EngineSim::clientPrint(int client, const char *text) {
    std::string out;
    std::vector<bool>::reference lineStart = clientLineStart_[static_cast<std::size_t>(client)];
    for (const char *p = text; *p; ++p) {
        if (lineStart) out += "[client " + std::to_string(client) + "] ";
        out += *p;
        lineStart = *p == '\n';
    }
    print(out.c_str());
}

}  // namespace hostsim
