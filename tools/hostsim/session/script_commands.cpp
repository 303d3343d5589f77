// What each script command does to the running session (the language itself,
// its keywords and their forms, is read in script/script_line.cpp).
#include "script/script_line.h"
#include "session/session.h"

namespace hostsim {

bool Session::runLine(const std::string &rawLine, std::string *error) {
    if (finished_) return true;
    ScriptCommand command;
    if (!ParseScriptLine(rawLine, &command, error)) return false;

    switch (command.kind) {
    case ScriptCommand::kNothing:
        break;
    case ScriptCommand::kMap:
        map(command.name, command.classes);
        break;
    case ScriptCommand::kWait:
        wait(command.seconds, command.fps);
        break;
    case ScriptCommand::kConnect:
        if (!mapRunning_) {
            *error = "connect needs a running map";
            return false;
        }
        connect(command.name, command.address);
        break;
    case ScriptCommand::kBot:
        if (!mapRunning_) {
            *error = command.usage;
            return false;
        }
        connect(command.name, "", true);
        break;
    case ScriptCommand::kPing:
        if (command.index > engine_.globals()->maxClients) {
            *error = command.usage;
            return false;
        }
        engine_.setPlayerStats(command.index, command.ping, command.loss);
        break;
    case ScriptCommand::kDisconnect:
        if (!disconnect(command.index)) {
            *error = "no client in slot " + command.words[1];
            return false;
        }
        break;
    case ScriptCommand::kDeathmatch:
        setDeathmatch(static_cast<float>(command.value));
        break;
    case ScriptCommand::kQuit:
        quit();
        break;
    case ScriptCommand::kStats:
        return stats(command.what, error);
    case ScriptCommand::kConsole:
        start();
        console(command.line);
        break;
    }
    return true;
}

}  // namespace hostsim
