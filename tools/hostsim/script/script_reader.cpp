#include "script/script_reader.h"

#include <fstream>

#include "script/script_repeat.h"

namespace hostsim {

bool ReadScript(const std::string &file, const std::vector<std::string> &arguments, std::vector<ScriptLine> *lines,
                std::string *error) {
    if (!file.empty()) {
        std::ifstream in(file.c_str());
        if (!in) {
            *error = "cannot read script " + file;
            return false;
        }
        std::string text;
        for (int number = 1; std::getline(in, text); ++number)
            lines->emplace_back(file + ":" + std::to_string(number), text);
    }
    for (std::size_t i = 0; i < arguments.size(); ++i)
        lines->emplace_back("argument " + std::to_string(i + 1), arguments[i]);
    return ExpandRepeats(lines, error);
}

}  // namespace hostsim
