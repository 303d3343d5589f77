#include "script/script_repeat.h"

#include <cstdlib>

namespace hostsim {

namespace {

void Substitute(std::string *text, const std::string &name, int pass) {
    const std::string key = "{" + name + "}";
    const std::string value = std::to_string(pass);
    for (std::size_t at = text->find(key); at != std::string::npos; at = text->find(key, at + value.size()))
        text->replace(at, key.size(), value);
}

// Expands lines [*next, end) until an "end" that closes the caller's block
// (closed set) or the end of the input.
bool ExpandFrom(const std::vector<ScriptLine> &in, std::size_t *next, bool inBlock, std::vector<ScriptLine> *out,
                std::string *error) {
    while (*next < in.size()) {
        const ScriptLine &line = in[(*next)++];
        const std::vector<std::string> words = Words(line.second);
        if (!words.empty() && words[0] == "end") {
            if (!inBlock) {
                *error = line.first + ": end without repeat";
                return false;
            }
            return true;
        }
        if (words.empty() || words[0] != "repeat") {
            out->push_back(line);
            continue;
        }
        char *stop = nullptr;
        const long passes = words.size() >= 2 ? std::strtol(words[1].c_str(), &stop, 10) : -1;
        if (words.size() < 2 || words.size() > 3 || *stop != '\0' || passes < 0 || passes > 1000000) {
            *error = line.first + ": usage: repeat N [NAME]";
            return false;
        }
        const std::string name = words.size() == 3 ? words[2] : "n";
        std::vector<ScriptLine> body;
        if (!ExpandFrom(in, next, true, &body, error)) return false;
        for (long pass = 0; pass < passes; ++pass) {
            for (ScriptLine copy : body) {
                Substitute(&copy.second, name, static_cast<int>(pass));
                out->push_back(copy);
            }
        }
    }
    if (inBlock) {
        *error = "repeat without end";
        return false;
    }
    return true;
}

}  // namespace

bool ExpandRepeats(std::vector<ScriptLine> *lines, std::string *error) {
    std::vector<ScriptLine> expanded;
    std::size_t next = 0;
    if (!ExpandFrom(*lines, &next, false, &expanded, error)) return false;
    lines->swap(expanded);
    return true;
}

}  // namespace hostsim
