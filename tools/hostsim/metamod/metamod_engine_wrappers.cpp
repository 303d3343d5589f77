// The engine functions Metamod puts into the plugin's copy of the engine
// table (a variable registered as Metamod's copy, a command registered with
// Metamod's dispatcher), and the Metamod of the moment they find.
#include <cstdlib>
#include <cstring>

#include "engine/engine_text.h"
#include "metamod/metamod_sim.h"

namespace hostsim {

MetamodSim *MetamodSim::current_ = nullptr;

MetamodSim *MetamodSim::current() { return current_; }

MetamodSim &MetamodSim::Mm() {
    if (!current_) EngineError("Metamod call without Metamod");
    return *current_;
}

namespace {

char *CopyString(const char *text) {
    std::size_t length = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(length));
    if (!copy) EngineError("out of memory");
    std::memcpy(copy, text, length);
    return copy;
}

}  // namespace

void MetamodSim::CVarRegisterWrapper(cvar_t *variable) {
    MetamodSim &mm = Mm();
    if (!variable || !variable->name || !variable->string) EngineError("pfnCVarRegister with an incomplete variable");
    for (RegisteredCvar &cvar : mm.cvars_)
        if (std::strcmp(cvar.name, variable->name) == 0) return;  // kept from an earlier load
    RegisteredCvar cvar;
    cvar.copy = new cvar_t();
    cvar.name = CopyString(variable->name);
    cvar.string = CopyString(variable->string);
    cvar.copy->name = cvar.name;
    cvar.copy->string = cvar.string;
    cvar.copy->flags = variable->flags;
    cvar.copy->value = variable->value;
    mm.cvars_.push_back(cvar);
    mm.engine_.engineFuncs()->pfnCVarRegister(cvar.copy);
}

void MetamodSim::AddServerCommandWrapper(char *name, void (*callback)(void)) {
    MetamodSim &mm = Mm();
    if (!name) EngineError("pfnAddServerCommand with a null name");
    for (RegisteredCommand &command : mm.commands_) {
        if (!EqualNoCase(command.name.c_str(), name)) continue;
        command.callback = callback;
        command.enabled = true;
        return;
    }
    mm.commands_.push_back({name, callback, true});
    char *engineName = const_cast<char *>(mm.commands_.back().name.c_str());
    mm.engine_.engineFuncs()->pfnAddServerCommand(engineName, &MetamodSim::CommandDispatcher);
}

void MetamodSim::CommandDispatcher(void) {
    EngineSim *engine = EngineSim::current();
    if (!engine || engine->argv().empty()) return;
    const std::string &name = engine->argv()[0];
    if (current_) {
        // Found regardless of case, as the engine found the dispatcher.
        for (RegisteredCommand &command : current_->commands_) {
            if (!EqualNoCase(command.name.c_str(), name.c_str())) continue;
            if (command.enabled && command.callback) {
                command.callback();
                return;
            }
            break;
        }
    }
    engine->printf("[metamod: command '%s' unavailable; plugin unloaded]\n", name.c_str());
}

}  // namespace hostsim
