#include "script/script_line.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "engine/engine_text.h"

namespace hostsim {

namespace {

const char *const kDefaultAddress = "127.0.0.1:27005";

std::string TrimLine(const std::string &text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::string();
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool ParseInt(const std::string &text, int *value) {
    char *end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end) return false;
    *value = static_cast<int>(parsed);
    return true;
}

// The keywords' forms; true when the words fit the command's.
bool ReadWords(ScriptCommand *command) {
    const std::vector<std::string> &words = command->words;
    const std::string &keyword = words[0];
    std::size_t count = words.size();

    if (keyword == "map") {
        command->kind = ScriptCommand::kMap;
        command->usage = "usage: map NAME [CLASS ...]";
        if (count < 2) return false;
        command->name = words[1];
        command->classes.assign(words.begin() + 2, words.end());
    } else if (keyword == "wait") {
        command->kind = ScriptCommand::kWait;
        command->usage = "usage: wait SECONDS [FPS|engine]";
        double seconds = 0, fps = 100;
        const bool engineRate = count == 3 && words[2] == "engine";
        if (engineRate) fps = 0;
        if (count < 2 || count > 3 || !ParseNumber(words[1], &seconds) || seconds < 0 ||
            (count == 3 && !engineRate && (!ParseNumber(words[2], &fps) || fps <= 0)))
            return false;
        command->seconds = seconds;
        command->fps = fps;
    } else if (keyword == "connect") {
        command->kind = ScriptCommand::kConnect;
        command->usage = "usage: connect NAME [ADDRESS]";
        if (count < 2 || count > 3) return false;
        command->name = words[1];
        command->address = count == 3 ? words[2] : kDefaultAddress;
    } else if (keyword == "bot") {
        command->kind = ScriptCommand::kBot;
        command->usage = "usage: bot NAME (on a running map)";
        if (count != 2) return false;
        command->name = words[1];
    } else if (keyword == "ping") {
        command->kind = ScriptCommand::kPing;
        command->usage = "usage: ping INDEX MS [LOSS_PERCENT]";
        int index = 0, ping = 0, loss = 0;
        if (count < 3 || count > 4 || !ParseInt(words[1], &index) || !ParseInt(words[2], &ping) ||
            (count == 4 && !ParseInt(words[3], &loss)) || index < 1)
            return false;
        command->index = index;
        command->ping = ping;
        command->loss = loss;
    } else if (keyword == "disconnect") {
        command->kind = ScriptCommand::kDisconnect;
        command->usage = "usage: disconnect INDEX";
        if (count != 2 || !ParseInt(words[1], &command->index)) return false;
    } else if (keyword == "deathmatch") {
        command->kind = ScriptCommand::kDeathmatch;
        command->usage = "usage: deathmatch 0|1";
        if (count != 2 || !ParseNumber(words[1], &command->value)) return false;
    } else if (keyword == "quit") {
        command->kind = ScriptCommand::kQuit;
    } else if (keyword == "stats") {
        command->kind = ScriptCommand::kStats;
        command->usage = "usage: stats [mark|same]";
        if (count > 2 || (count == 2 && words[1] != "mark" && words[1] != "same")) return false;
        command->what = count == 2 ? words[1] : "";
    } else {
        command->kind = ScriptCommand::kConsole;
    }
    return true;
}

}  // namespace

std::vector<std::string> Words(const std::string &line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

bool ParseNumber(const std::string &text, double *value) {
    double parsed = 0;
    if (!ParseNumberText(text, &parsed) || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

bool ParseScriptLine(const std::string &rawLine, ScriptCommand *command, std::string *error) {
    *command = ScriptCommand();
    command->line = TrimLine(rawLine);
    if (command->line.empty() || command->line[0] == '#') return true;
    command->words = Words(command->line);
    if (ReadWords(command)) return true;
    *error = command->usage;
    return false;
}

}  // namespace hostsim
