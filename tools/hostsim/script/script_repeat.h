// Repeated blocks of script lines:
//
//   repeat N [NAME]
//     ...lines, where {NAME} (default {n}) is the pass number 0 .. N-1
//   end
//
// Blocks may be nested; an inner block's name must differ from the outer
// ones' to reach both numbers.
#pragma once

#include <string>
#include <vector>

#include "script/script_line.h"

namespace hostsim {

// Replaces every block by its passes.  False, with a message naming the
// line, for a malformed "repeat", an "end" without one or a block left open.
bool ExpandRepeats(std::vector<ScriptLine> *lines, std::string *error);

}  // namespace hostsim
