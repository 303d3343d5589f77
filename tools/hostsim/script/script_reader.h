// A whole script: the lines of its file, then the lines given as arguments,
// with their repeated blocks expanded.
#pragma once

#include <string>
#include <vector>

#include "script/script_line.h"

namespace hostsim {

// `file` may be empty (no file).  False, with a message, when the file cannot
// be read or a repeated block is malformed.
bool ReadScript(const std::string &file, const std::vector<std::string> &arguments, std::vector<ScriptLine> *lines,
                std::string *error);

}  // namespace hostsim
