// One line of a hostsim script, read as a command:
//
//   map NAME [CLASS ...]  end the running map, start NAME (game time 1.0) with
//                         the world, a spawn point and one entity of each CLASS
//   wait SECONDS [FPS]    run frames for SECONDS of game time (100 a second)
//   wait SECONDS engine   the same, each frame as long as sys_ticrate makes it
//   connect NAME [ADDR]   a client joins the next free slot
//   bot NAME              a bot (FL_FAKECLIENT) joins the next free slot
//   ping INDEX MS [LOSS]  what pfnGetPlayerStats reports for that client
//   disconnect INDEX      the client in that slot leaves
//   deathmatch 0|1        sets gpGlobals->deathmatch
//   quit                  end the map, detach, unload
//   stats [mark|same]     print the process's heap bytes, open files and the
//                         plugin's live timers; keep them; fail when any
//                         differs from the kept ones
//   # comment, blank      ignored
//   anything else         a console command as typed at the server console
//
// Reading a line checks its form (how many words, which are numbers); what
// only the running server knows (is a map running, is the slot taken, the
// player limit) is checked where the command runs.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hostsim {

// The words of a script line (split at white space).
std::vector<std::string> Words(const std::string &line);

// A script line and where it came from ("file:line" or "argument N").
typedef std::pair<std::string, std::string> ScriptLine;

struct ScriptCommand {
    enum Kind { kNothing, kMap, kWait, kConnect, kBot, kPing, kDisconnect, kDeathmatch, kQuit, kStats, kConsole };
    Kind kind = kNothing;
    std::string line;                // trimmed: the console command as typed
    std::vector<std::string> words;  // words[0] is the keyword
    const char *usage = "";          // the keyword's usage text, for a refusal
    std::string name;                // map, connect, bot
    std::string address;             // connect
    std::vector<std::string> classes;  // map
    double seconds = 0;              // wait
    double fps = 100;                // wait; 0: "engine"
    int index = 0;                   // ping, disconnect
    int ping = 0;
    int loss = 0;
    double value = 0;                // deathmatch
    std::string what;                // stats: "", "mark" or "same"
};

// Reads one line.  False, with the keyword's usage, when it is malformed.
bool ParseScriptLine(const std::string &line, ScriptCommand *command, std::string *error);

// A finite number with '.' as the decimal point, whatever the locale.
bool ParseNumber(const std::string &text, double *value);

}  // namespace hostsim
