// A fake engine for unit tests: fills the plugin's engine table with
// functions that record every call, keeps console variables, queues server
// commands, and runs each test in a fresh temporary working directory with a
// game directory ("cstrike" by default).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sdk/metamod.h"

// How often `part` stands in `text` (the occurrences do not overlap).
inline std::size_t Count(const std::string &text, const std::string &part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

class TestEngine {
public:
    explicit TestEngine(const std::string &gameDir = "cstrike");
    ~TestEngine();

    // Every call the plugin made, as "pfnName(args)".
    std::vector<std::string> calls;
    // Texts given to pfnServerCommand, in order (with their newline).
    std::vector<std::string> serverCommands;
    // Everything printed on the server console (pfnServerPrint), in order.
    std::string console;
    // Texts sent with pfnClientPrintf, as "N:TEXT" (N the player index).
    std::vector<std::string> clientPrints;

    // Words of the command being executed (pfnCmd_Argv / pfnCmd_Argc).
    std::vector<std::string> argv;
    // Registered server commands.
    std::map<std::string, void (*)()> commands;

    globalvars_t globals{};
    edict_t edicts[64]{};
    meta_globals_t metaGlobals{};
    int dedicated = 1;
    std::string gameDirText;  // what pfnGetGameDir reports
    std::string root;         // the temporary working directory

    // Console variables.
    cvar_t *Variable(const std::string &name);
    void SetVariable(const std::string &name, const std::string &value);
    std::string VariableText(const std::string &name);
    void RegisterEngineVariable(const std::string &name, const std::string &value);

    // Runs a console command line through a registered handler.
    bool RunCommand(const std::string &line);
    // Runs queued server commands like the engine's command buffer; commands
    // registered by the plugin run their handler, "NAME VALUE" sets a variable.
    void ExecuteCommandBuffer();

    edict_t *Player(int index) { return &edicts[index]; }
    // Writes a file relative to the working directory (directories created).
    void WriteFile(const std::string &path, const std::string &contents);
    std::string ReadFile(const std::string &path);
    // The file's text with Windows line ends (text mode) read as "\n".
    std::string ReadTextFile(const std::string &path);
    bool Exists(const std::string &path);

    // The plugin's engine table as this fake fills it (also installed into
    // the plugin's own copy by the constructor).
    enginefuncs_t table{};

    static TestEngine *current;

private:
    std::string previousDir_;
    std::map<std::string, cvar_t *> cvars_;
    std::vector<std::string *> strings_;
};
