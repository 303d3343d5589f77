// The fake Half-Life engine: the engine function table handed to the game
// library, the global variables, the edicts, the console (variables, server
// commands, the command buffer) and the game directory.
//
// The engine table holds plain C function pointers without user data, so the
// implementations find their engine through one process-wide current
// EngineSim (the most recently constructed one).
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sdk/abi_checks.h"

namespace hostsim {

constexpr std::size_t kEngineSlots = sizeof(enginefuncs_t) / sizeof(void *);
// Null pointers after the table: Metamod appends spare slots to its copy, so a
// plugin that copies more entries than it knows about still reads memory.
constexpr std::size_t kEngineSlack = 16;
constexpr std::size_t kArenaSize = 1 << 20;  // bytes of strings the engine can hold

// The engine table followed by its zeroed slack.
struct EngineTable {
    enginefuncs_t funcs;
    void *slack[kEngineSlack];
};

class EngineSim {
public:
    struct Options {
        std::string gameName = "cstrike";  // what pfnGetGameDir reports
        bool reportGameDirText = false;    // report gameDirText instead
        std::string gameDirText;
        std::string gameDirPath = "cstrike";  // where game files are read from
        bool dedicated = true;
        int maxClients = 32;
        int maxEntities = 900;
        int port = 0;  // -port N: hostport (0: the port variable's 27015)
    };

    // One call into an implemented engine slot (or a Metamod utility).
    struct Call {
        std::string slot;
        std::string args;
    };

    EngineSim();
    explicit EngineSim(const Options &options);
    ~EngineSim();
    EngineSim(const EngineSim &) = delete;
    EngineSim &operator=(const EngineSim &) = delete;

    static EngineSim *current();
    const Options &options() const { return options_; }

    // ---- tables handed to the game library
    enginefuncs_t *engineFuncs() { return &table_.funcs; }
    const EngineTable &engineTable() const { return table_; }
    globalvars_t *globals() { return &globals_; }
    static const char *slotName(std::size_t index);  // "pfnServerCommand"

    // ---- strings: offsets from globals()->pStringBase, which points at ""
    string_t allocString(const char *text);
    const char *string(string_t offset) const;

    // ---- edicts: 0 is the world, 1..maxClients the players
    edict_t *edict(int index);
    int indexOf(const edict_t *entity) const;  // -1 when not one of ours
    int edictCount() const;                    // highest used index + 1
    int usedEntityCount() const;               // used edicts in 1..count-1
    edict_t *createEntity(const char *classname);
    void freeEntity(edict_t *entity);
    void freeAllEntities();  // every edict above the players
    void setTime(double time, double frametime);

    // ---- console variables
    cvar_t *findCvar(const char *name) const;
    const char *cvarString(const char *name) const;  // null when missing
    // The engine's registration: keeps the caller's struct, gives it an
    // engine-owned copy of its string, refuses a duplicate name.
    bool registerCvar(cvar_t *variable);
    // Removes a variable the engine must forget before its memory goes.
    void unregisterCvar(cvar_t *variable);
    // Before the game library is unloaded: forgets the variables it
    // registered (FCVAR_EXTDLL) and the server commands it added.
    void releaseGameLibrary();
    void setCvar(cvar_t *variable, const char *value);  // as Cvar_DirectSet

    // ---- server commands and the console
    bool addServerCommand(const char *name, void (*handler)(void));
    bool hasCommand(const char *name) const;
    // pfnServerCommand: the text must end in "\n" or ";"; it is queued.
    void serverCommand(const char *text);
    void appendCommandText(const char *text);  // queued without checks
    const std::string &commandBuffer() const { return commandBuffer_; }
    // Runs the queued commands, each echoed as "> TEXT".
    void executeCommandBuffer();
    // Runs one line as typed (split on ";" and newlines), without echo.
    void executeLine(const std::string &line);
    void tokenize(const std::string &command);
    const std::vector<std::string> &argv() const { return argv_; }
    const std::string &args() const { return args_; }
    bool quitRequested() const { return quitRequested_; }

    // ---- console output (stdout unless redirected)
    void print(const char *text);
    void printf(const char *format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void setOutput(std::function<void(const char *)> output);
    // Holds the process at the first output containing a hold's text: it
    // creates DIR/NAME.held and waits until DIR/NAME.go exists (a test that
    // runs several servers at once orders their steps this way).  Each hold
    // happens once; one not released within two minutes ends the run.
    struct Hold {
        std::string name;
        std::string text;
        bool done = false;
    };
    void setHolds(std::vector<Hold> holds, std::string directory);

    // ---- calls the engine saw
    const std::vector<Call> &calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    std::size_t countCalls(const std::string &slot) const;
    void setRecording(bool on) { recording_ = on; }
    bool recording() const { return recording_; }
    void record(const char *slot, std::string args);

    // ---- game files
    unsigned char *loadFile(const char *path, int *length);
    void freeFile(void *buffer);
    int fileSize(const char *path) const;
    std::size_t liveFileBuffers() const { return liveFiles_.size(); }
    void writeGameDir(char *out) const;

    // What pfnGetPlayerStats reports for a player (0 ms, 0 % until set).
    void setPlayerStats(int index, int ping, int loss);
    void playerStats(int index, int *ping, int *loss) const;

    // Text of a client print, with a "[client N] " prefix on each line.
    void clientPrint(int client, const char *text);

private:
    struct CvarEntry {
        cvar_t *variable;
        const char *original;          // the string it had before
        std::unique_ptr<char[]> text;  // the engine's copy of its string
    };
    struct Command {
        std::string name;
        void (*handler)(void);
        bool fromGame;
    };

    void initialise();
    void relinkCvars();
    CvarEntry *entryFor(const cvar_t *variable);
    void executeCommand(const std::string &command);
    static void EchoCommand();
    static void QuitCommand();
    static void MaxplayersCommand();

    void holdAt(const std::string &text);

    Options options_;
    std::vector<Hold> holds_;
    std::string holdDirectory_;
    EngineTable table_;
    globalvars_t globals_;
    std::unique_ptr<char[]> arena_;
    std::size_t arenaUsed_ = 0;
    std::vector<edict_t> edicts_;
    std::vector<CvarEntry> cvars_;
    std::deque<CvarEntry> detached_;  // set directly but never registered
    std::vector<std::unique_ptr<cvar_t>> ownCvars_;
    std::vector<Command> commands_;
    std::vector<std::string> argv_;
    std::string args_;
    std::string commandBuffer_;
    bool quitRequested_ = false;
    std::vector<bool> clientLineStart_;
    std::function<void(const char *)> output_;
    std::vector<Call> calls_;
    bool recording_ = true;
    std::set<void *> liveFiles_;
    EngineSim *previous_ = nullptr;
    static EngineSim *current_;
    std::vector<std::pair<int, int>> playerStats_;
};

// Prints "hostsim: MESSAGE" on stderr and aborts: an engine error that the
// real engine would end the server for (Sys_Error).
[[noreturn]] void EngineError(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace hostsim
