// Functions made slow on purpose: the engine's (--slow-engine), the game's
// (--slow-game) and a second Metamod plugin's hooks (--second-plugin).
#pragma once

#include <chrono>
#include <cstdlib>
#include <string>

namespace hostsim {

// A hook made slow on purpose: every `every`th call of the named function
// busy-waits `ms` milliseconds (on the steady clock, so the processor works
// as a heavy think or a script plugin's forward would).
struct SlowHook {
    std::string name;  // "pfnThink"; empty: none
    double ms = 0;
    long every = 1;
    long calls = 0;
};

inline void BusyWait(double ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(ms);
    while (std::chrono::steady_clock::now() < end) {
    }
}

// Counts a call of `name`; waits when it is the chosen hook's Nth.
inline void SlowDownIfChosen(SlowHook &hook, const char *name) {
    if (hook.name.empty() || hook.name != name) return;
    if (++hook.calls % hook.every == 0) BusyWait(hook.ms);
}

// "NAME:MS[:EVERY]", the name as in DLL_FUNCTIONS ("pfnThink").
inline bool ParseSlowHook(const std::string &text, SlowHook *hook) {
    const std::string::size_type first = text.find(':');
    if (first == std::string::npos || first == 0) return false;
    const std::string::size_type second = text.find(':', first + 1);
    const std::string msText = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    char *end = nullptr;
    const double ms = std::strtod(msText.c_str(), &end);
    if (msText.empty() || *end != '\0' || !(ms > 0) || ms > 10000) return false;
    long every = 1;
    if (second != std::string::npos) {
        const std::string everyText = text.substr(second + 1);
        every = std::strtol(everyText.c_str(), &end, 10);
        if (everyText.empty() || *end != '\0' || every < 1) return false;
    }
    hook->name = text.substr(0, first);
    hook->ms = ms;
    hook->every = every;
    hook->calls = 0;
    return true;
}

}  // namespace hostsim
