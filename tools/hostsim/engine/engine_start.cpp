// The fake engine starts: its table, string arena, globals and edicts, the
// standard variables and its own commands; and at its end gives back what
// it kept of the game library's variables.
#include <cstdlib>
#include <cstring>

#include "engine/engine_sim.h"
#include "engine/engine_table.h"
#include "engine/standard_cvars.h"

namespace hostsim {

EngineSim::EngineSim() : EngineSim(Options()) {}

EngineSim::EngineSim(const Options &options) : options_(options) {
    previous_ = current_;
    current_ = this;
    initialise();
}

EngineSim::~EngineSim() {
    // Give every variable the engine kept back its own string, so that a
    // struct of a library that stays loaded never points into freed memory.
    for (CvarEntry &entry : cvars_) {
        entry.variable->string = entry.original;
        entry.variable->next = nullptr;
    }
    for (CvarEntry &entry : detached_) entry.variable->string = entry.original;
    for (void *buffer : liveFiles_) std::free(buffer);
    if (current_ == this) current_ = previous_;
}

void EngineSim::initialise() {
    std::memset(&table_, 0, sizeof table_);
    table_.funcs = EngineTableTemplate();

    arena_.reset(new char[kArenaSize]);
    arena_[0] = '\0';
    arenaUsed_ = 1;

    std::memset(&globals_, 0, sizeof globals_);
    globals_.pStringBase = arena_.get();
    globals_.deathmatch = 1.0f;
    globals_.maxClients = options_.maxClients;
    globals_.maxEntities = options_.maxEntities;

    // Player edicts are never allocated or freed: they are in use from the
    // start, like the engine's, whether a client is connected or not.
    edicts_.assign(static_cast<std::size_t>(options_.maxEntities), edict_t());
    for (std::size_t i = 0; i < edicts_.size(); ++i) {
        edicts_[i].free = static_cast<int>(i) > options_.maxClients ? 1 : 0;
        edicts_[i].v.pContainingEntity = &edicts_[i];
    }
    clientLineStart_.assign(static_cast<std::size_t>(options_.maxClients) + 1, true);

    for (std::size_t i = 0; i < kStandardCvarCount; ++i) {
        std::unique_ptr<cvar_t> variable(new cvar_t());
        variable->name = kStandardCvars[i].name;
        variable->string = kStandardCvars[i].value;
        registerCvar(variable.get());
        ownCvars_.push_back(std::move(variable));
    }
    // The network starts: -port N has set hostport, else port's value goes there.
    const std::string port = options_.port > 0 ? std::to_string(options_.port) : findCvar("port")->string;
    setCvar(findCvar("hostport"), port.c_str());
    commands_.push_back({"echo", &EngineSim::EchoCommand, false});
    commands_.push_back({"quit", &EngineSim::QuitCommand, false});
    commands_.push_back({"maxplayers", &EngineSim::MaxplayersCommand, false});
}

}  // namespace hostsim
