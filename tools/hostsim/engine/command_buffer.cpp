// The fake engine's server commands and command buffer: queued text, its
// split into commands, their tokens, what a first token names (a command or
// a variable), and the engine's own commands.
#include <cstring>
#include <string>

#include "engine/engine_sim.h"
#include "engine/engine_text.h"

namespace hostsim {

namespace {

constexpr std::size_t kCommandBufferSize = 16384;
constexpr std::size_t kMaxArgs = 80;

}  // namespace

// ---- commands and the console

bool EngineSim::addServerCommand(const char *name, void (*handler)(void)) {
    if (hasCommand(name)) {
        printf("Cmd_AddCommand: %s already defined\n", name);
        return false;
    }
    if (findCvar(name)) {
        printf("Cmd_AddCommand: %s already defined as a var\n", name);
        return false;
    }
    commands_.push_back({name, handler, true});
    return true;
}

void EngineSim::serverCommand(const char *text) {
    std::size_t length = std::strlen(text);
    if (length == 0 || (text[length - 1] != '\n' && text[length - 1] != ';')) {
        printf("Error, bad server command %s\n", text);
        return;
    }
    appendCommandText(text);
}

void EngineSim::appendCommandText(const char *text) {
    std::size_t length = std::strlen(text);
    if (commandBuffer_.size() + length >= kCommandBufferSize) {
        print("Cbuf_AddText: overflow\n");
        return;
    }
    commandBuffer_ += text;
}

void EngineSim::executeCommandBuffer() {
    std::size_t executed = 0;
    while (!commandBuffer_.empty()) {
        std::size_t end = CommandEnd(commandBuffer_, 0);
        std::string command = Trim(commandBuffer_.substr(0, end));
        commandBuffer_.erase(0, end < commandBuffer_.size() ? end + 1 : end);
        if (command.empty()) continue;
        print(("> " + command + "\n").c_str());
        executeCommand(command);
        if (++executed > 100000) EngineError("the command buffer keeps refilling itself");
    }
}

void EngineSim::executeLine(const std::string &line) {
    for (std::size_t begin = 0; begin <= line.size();) {
        std::size_t end = CommandEnd(line, begin);
        executeCommand(line.substr(begin, end - begin));
        begin = end + 1;
    }
}

void EngineSim::tokenize(const std::string &command) {
    argv_.clear();
    args_.clear();
    std::size_t i = 0, n = command.size();
    while (argv_.size() < kMaxArgs) {
        while (i < n && static_cast<unsigned char>(command[i]) <= ' ') ++i;
        if (i >= n) break;
        if (argv_.size() == 1) args_ = Trim(command.substr(i));
        std::string token;
        if (command[i] == '"') {
            ++i;
            while (i < n && command[i] != '"') token += command[i++];
            if (i < n) ++i;
        } else {
            while (i < n && static_cast<unsigned char>(command[i]) > ' ') token += command[i++];
        }
        argv_.push_back(token);
    }
}

void EngineSim::executeCommand(const std::string &command) {
    tokenize(command);
    if (argv_.empty()) return;
    const char *name = argv_[0].c_str();
    for (const Command &registered : commands_) {
        if (!EqualNoCase(registered.name.c_str(), name)) continue;
        if (registered.handler) registered.handler();
        return;
    }
    if (cvar_t *variable = findCvar(name)) {
        if (argv_.size() == 1)
            printf("\"%s\" is \"%s\"\n", variable->name, variable->string);
        else
            setCvar(variable, argv_[1].c_str());
        return;
    }
    printf("Unknown command: %s\n", name);
}

void EngineSim::EchoCommand() {
    EngineSim &sim = *current();
    std::string line;
    for (std::size_t i = 1; i < sim.argv_.size(); ++i) line += sim.argv_[i] + " ";
    sim.print((line + "\n").c_str());
}

void EngineSim::QuitCommand() { current()->quitRequested_ = true; }

// The player limit is a command, fixed while a server runs.
void EngineSim::MaxplayersCommand() {
    EngineSim &sim = *current();
    if (sim.argv_.size() != 2)
        sim.printf("\"maxplayers\" is \"%d\"\n", sim.options_.maxClients);
    else
        sim.print("maxplayers can not be changed while a server is running.\n");
}

}  // namespace hostsim
