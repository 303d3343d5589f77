// The fake engine's console variables: registration, direct sets, and the
// alphabetical list the engine keeps.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/engine_sim.h"
#include "engine/engine_text.h"

namespace hostsim {

// ---- console variables

bool EngineSim::registerCvar(cvar_t *variable) {
    if (!variable->name || !variable->string) EngineError("pfnCVarRegister with a variable without name or string");
    if (findCvar(variable->name)) {
        printf("Can't register variable %s, already defined\n", variable->name);
        return false;
    }
    if (hasCommand(variable->name)) {
        printf("Cvar_RegisterVariable: %s is a command\n", variable->name);
        return false;
    }
    CvarEntry entry;
    entry.variable = variable;
    entry.original = variable->string;
    entry.text = CopyText(variable->string);
    variable->string = entry.text.get();
    variable->value = static_cast<float>(EngineAtof(entry.text.get()));
    cvars_.push_back(std::move(entry));
    relinkCvars();
    return true;
}

void EngineSim::unregisterCvar(cvar_t *variable) {
    for (std::size_t i = 0; i < cvars_.size(); ++i) {
        if (cvars_[i].variable != variable) continue;
        variable->string = cvars_[i].original;
        variable->next = nullptr;
        cvars_.erase(cvars_.begin() + static_cast<std::ptrdiff_t>(i));
        relinkCvars();
        return;
    }
}

void EngineSim::releaseGameLibrary() {
    for (std::size_t i = cvars_.size(); i > 0; --i) {
        CvarEntry &entry = cvars_[i - 1];
        if (!(entry.variable->flags & FCVAR_EXTDLL)) continue;
        entry.variable->string = entry.original;
        entry.variable->next = nullptr;
        cvars_.erase(cvars_.begin() + static_cast<std::ptrdiff_t>(i - 1));
    }
    relinkCvars();
    for (CvarEntry &entry : detached_) entry.variable->string = entry.original;
    detached_.clear();
    for (std::size_t i = commands_.size(); i > 0; --i)
        if (commands_[i - 1].fromGame) commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(i - 1));
}

// The engine keeps its variables in one list in alphabetical order.
void EngineSim::relinkCvars() {
    std::vector<cvar_t *> sorted;
    for (CvarEntry &entry : cvars_) sorted.push_back(entry.variable);
    std::sort(sorted.begin(), sorted.end(), [](cvar_t *a, cvar_t *b) { return LessNoCase(a->name, b->name); });
    for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i]->next = i + 1 < sorted.size() ? sorted[i + 1] : nullptr;
}

EngineSim::CvarEntry *EngineSim::entryFor(const cvar_t *variable) {
    for (CvarEntry &entry : cvars_)
        if (entry.variable == variable) return &entry;
    for (CvarEntry &entry : detached_)
        if (entry.variable == variable) return &entry;
    return nullptr;
}

void EngineSim::setCvar(cvar_t *variable, const char *value) {
    CvarEntry *entry = entryFor(variable);
    if (!entry) {
        // The engine writes to whatever struct it is given; a plugin that does
        // this under Metamod is changing its own dead copy.
        std::fprintf(stderr, "hostsim: Cvar_DirectSet on a variable the engine does not know (%s)\n",
                     variable->name ? variable->name : "unnamed");
        CvarEntry detached;
        detached.variable = variable;
        detached.original = variable->string;
        detached_.push_back(std::move(detached));
        entry = &detached_.back();
    }
    std::unique_ptr<char[]> text = CopyText(value);  // value may be the old string
    variable->string = text.get();
    variable->value = static_cast<float>(EngineAtof(text.get()));
    entry->text = std::move(text);
}

}  // namespace hostsim
