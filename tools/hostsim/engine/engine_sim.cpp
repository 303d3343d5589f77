// The fake engine: the engine of the moment, the string arena, console
// output, the record of calls, the game files and the players' figures.  Its
// start, the engine table, the variables, the command buffer and the edicts
// have files of their own.
#include "engine/engine_sim.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "engine/engine_text.h"
#include "os/host_os.h"

namespace hostsim {

namespace {

constexpr std::size_t kGameDirMax = 259;  // characters, before the NUL

}  // namespace

EngineSim *EngineSim::current_ = nullptr;

EngineSim *EngineSim::current() { return current_; }

// ---- strings

string_t EngineSim::allocString(const char *text) {
    if (!text || !*text) return 0;
    std::size_t length = std::strlen(text) + 1;
    if (arenaUsed_ + length > kArenaSize) EngineError("string arena full");
    std::memcpy(arena_.get() + arenaUsed_, text, length);
    string_t offset = static_cast<string_t>(arenaUsed_);
    arenaUsed_ += length;
    return offset;
}

const char *EngineSim::string(string_t offset) const {
    if (offset < 0 || static_cast<std::size_t>(offset) >= arenaUsed_) return nullptr;
    return arena_.get() + offset;
}

// ---- output

void EngineSim::print(const char *text) {
    if (output_)
        output_(text);
    else
        std::fputs(text, stdout);
    if (!holds_.empty()) holdAt(text);
}

void EngineSim::setHolds(std::vector<Hold> holds, std::string directory) {
    holds_ = std::move(holds);
    holdDirectory_ = std::move(directory);
}

void EngineSim::holdAt(const std::string &text) {
    for (Hold &hold : holds_) {
        if (hold.done || text.find(hold.text) == std::string::npos) continue;
        hold.done = true;
        std::fflush(stdout);
        const std::string base = holdDirectory_ + "/" + hold.name;
        if (!std::ofstream(base + ".held")) EngineError("cannot create %s.held", base.c_str());
        const double end = hostos::MonotonicSeconds() + 120;
        while (hostos::RegularFileSize(base + ".go") < 0) {
            if (hostos::MonotonicSeconds() > end) EngineError("hold %s was never released", hold.name.c_str());
            hostos::SleepSeconds(0.01);
        }
    }
}

void EngineSim::printf(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    print(text.c_str());
}

void EngineSim::setOutput(std::function<void(const char *)> output) { output_ = std::move(output); }


// ---- calls

void EngineSim::record(const char *slot, std::string args) {
    if (recording_) calls_.push_back({slot, std::move(args)});
}

std::size_t EngineSim::countCalls(const std::string &slot) const {
    std::size_t count = 0;
    for (const Call &call : calls_)
        if (call.slot == slot) ++count;
    return count;
}

// ---- game files

namespace {
std::string GamePath(const std::string &gameDir, const char *path) {
    return gameDir.empty() ? std::string(path) : gameDir + "/" + path;
}
}  // namespace

unsigned char *EngineSim::loadFile(const char *path, int *length) {
    if (length) *length = 0;
    if (!path) return nullptr;
    std::string full = GamePath(options_.gameDirPath, path);
    long long size = hostos::RegularFileSize(full);
    if (size < 0 || size > 0x7ffffffeLL) return nullptr;
    std::FILE *file = std::fopen(full.c_str(), "rb");
    if (!file) return nullptr;
    unsigned char *buffer = static_cast<unsigned char *>(std::malloc(static_cast<std::size_t>(size) + 1));
    std::size_t got = buffer ? std::fread(buffer, 1, static_cast<std::size_t>(size), file) : 0;
    std::fclose(file);
    if (!buffer || got != static_cast<std::size_t>(size)) {
        std::free(buffer);
        return nullptr;
    }
    buffer[size] = 0;
    if (length) *length = static_cast<int>(size);
    liveFiles_.insert(buffer);
    return buffer;
}

void EngineSim::freeFile(void *buffer) {
    if (!buffer) return;
    if (!liveFiles_.erase(buffer)) EngineError("pfnFreeFile with a pointer that pfnLoadFileForMe did not return");
    std::free(buffer);
}

int EngineSim::fileSize(const char *path) const {
    if (!path) return -1;
    long long size = hostos::RegularFileSize(GamePath(options_.gameDirPath, path));
    return size > 0x7fffffffLL ? 0x7fffffff : static_cast<int>(size);
}

void EngineSim::writeGameDir(char *out) const {
    const std::string &text = options_.reportGameDirText ? options_.gameDirText : options_.gameName;
    std::size_t length = text.size() < kGameDirMax ? text.size() : kGameDirMax;
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

void EngineSim::setPlayerStats(int index, int ping, int loss) {
    if (index < 0) return;
    if (playerStats_.size() <= static_cast<std::size_t>(index)) playerStats_.resize(static_cast<std::size_t>(index) + 1);
    playerStats_[static_cast<std::size_t>(index)] = {ping, loss};
}

void EngineSim::playerStats(int index, int *ping, int *loss) const {
    const bool known = index >= 0 && static_cast<std::size_t>(index) < playerStats_.size();
    *ping = known ? playerStats_[static_cast<std::size_t>(index)].first : 0;
    *loss = known ? playerStats_[static_cast<std::size_t>(index)].second : 0;
}

}  // namespace hostsim
