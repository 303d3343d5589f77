// The session's server: the game starts, maps come and go with their
// entities, clients join and leave, the console runs typed lines, and the
// server quits.
#include "session/session.h"

#include <cstring>

#include "os/host_os.h"

namespace hostsim {

namespace {

constexpr int kFakeClientFlag = 1 << 13;  // FL_FAKECLIENT

}  // namespace

Session::Session(EngineSim &engine, GameDll &game)
    : engine_(engine), game_(game), clients_(static_cast<std::size_t>(engine.globals()->maxClients) + 1) {}

bool Session::clientInServer(int index) const {
    return index >= 1 && static_cast<std::size_t>(index) < clients_.size() &&
           clients_[static_cast<std::size_t>(index)].connected;
}

void Session::start() {
    if (started_) return;
    started_ = true;
    game_.gameInit();
    betweenFrames();
}

void Session::map(const std::string &name, const std::vector<std::string> &classes) {
    if (finished_) return;
    start();
    if (mapRunning_) {
        game_.serverDeactivate();
        engine_.freeAllEntities();
    }
    time_ = 1.0;
    engine_.setTime(time_, 0);
    globalvars_t *globals = engine_.globals();
    globals->mapname = engine_.allocString(name.c_str());

    // The map's entities: the world first, then a spawn point, then the
    // script's classes.
    edict_t *world = engine_.edict(0);
    std::memset(&world->v, 0, sizeof world->v);
    world->v.pContainingEntity = world;
    world->v.classname = engine_.allocString("worldspawn");
    game_.spawnEntity(world, "worldspawn");
    edict_t *spawnPoint = engine_.createEntity("info_player_start");
    game_.spawnEntity(spawnPoint, "info_player_start");
    for (const std::string &classname : classes) game_.spawnEntity(engine_.createEntity(classname.c_str()), classname.c_str());

    game_.serverActivate(engine_.edict(0), engine_.edictCount(), globals->maxClients);
    mapRunning_ = true;
    thinkers_.clear();
    for (int i = 0; i < thinkerCount_; ++i) {
        edict_t *thinker = engine_.createEntity("info_target");
        thinker->v.nextthink = static_cast<float>(time_);
        thinkers_.push_back(engine_.indexOf(thinker));
    }
    mapStartWall_ = lastFrameWall_ = hostos::MonotonicSeconds();

    // Clients that were in the server come back on the new map.
    for (std::size_t i = 1; i < clients_.size(); ++i) {
        if (!clients_[i].connected) continue;
        clients_[i].connected = false;
        admitClient(static_cast<int>(i));
    }
}

bool Session::admitClient(int index) {
    Client &client = clients_[static_cast<std::size_t>(index)];
    edict_t *entity = engine_.edict(index);
    std::memset(&entity->v, 0, sizeof entity->v);
    entity->v.pContainingEntity = entity;
    entity->v.netname = engine_.allocString(client.name.c_str());
    if (client.bot) entity->v.flags |= kFakeClientFlag;
    char reject[128] = "";
    if (!game_.clientConnect(entity, client.name.c_str(), client.address.c_str(), reject)) {
        reject[sizeof reject - 1] = '\0';
        engine_.printf("Client \"%s\" rejected: %s\n", client.name.c_str(), reject[0] ? reject : "(no reason)");
        entity->v.netname = 0;
        return false;
    }
    client.connected = true;
    entity->v.classname = engine_.allocString("player");
    game_.clientPutInServer(entity);
    return true;
}

bool Session::connect(const std::string &name, const std::string &address, bool bot) {
    if (finished_) return false;
    for (std::size_t i = 1; i < clients_.size(); ++i) {
        if (clients_[i].connected) continue;
        clients_[i].name = name;
        clients_[i].address = address;
        clients_[i].bot = bot;
        return admitClient(static_cast<int>(i));
    }
    engine_.printf("Client \"%s\" rejected: Server is full.\n", name.c_str());
    return false;
}

bool Session::disconnect(int index) {
    if (!clientInServer(index)) return false;
    edict_t *entity = engine_.edict(index);
    game_.clientDisconnect(entity);
    clients_[static_cast<std::size_t>(index)].connected = false;
    entity->v.netname = 0;
    return true;
}

void Session::setDeathmatch(float deathmatch) { engine_.globals()->deathmatch = deathmatch; }

void Session::console(const std::string &line) {
    if (finished_) return;
    engine_.printf("] %s\n", line.c_str());
    // Typed text goes after whatever was already queued.
    if (!betweenFrames()) return;
    engine_.executeLine(line);
    betweenFrames();
}

bool Session::betweenFrames() {
    engine_.executeCommandBuffer();
    if (engine_.quitRequested()) {
        quit();
        return false;
    }
    return true;
}

void Session::quit() {
    if (finished_) return;
    finished_ = true;
    engine_.executeCommandBuffer();
    if (mapRunning_) {
        game_.serverDeactivate();
        engine_.freeAllEntities();
        mapRunning_ = false;
    }
    if (started_) game_.gameShutdown();
    game_.detach();
}

}  // namespace hostsim
