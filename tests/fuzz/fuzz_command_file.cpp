// The command-file executor over arbitrary file contents: every server
// command it sends must be one line the engine can take.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/command_file.h"
#include "fuzz_support.h"
#include "log/file_handle.h"

namespace {
const char kPath[] = "cstrike/addons/zeq_kestrin/configs/kestrin.cfg";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TestEngine &engine = fuzz::Engine();
    engine.serverCommands.clear();
    engine.calls.clear();
    fuzz::WriteBytes(kPath, data, size);

    CFileHandle file(kPath, "rt");
    if (!file.IsOpen()) fuzz::Fail("the command file could not be opened", "");
    ExecuteCommandFile(file);
    file.Close();

    for (const std::string &command : engine.serverCommands) {
        if (command.size() >= 1024) fuzz::Fail("command of 1024 characters or more", command);
        if (command.empty() || command.back() != '\n') fuzz::Fail("command without its line end", command);
        if (command.find('\n') != command.size() - 1) fuzz::Fail("command with more than one line end", command);
        const char first = command[0];
        if (first == ' ' || first == '\t' || first == '\r' || first == '/')
            fuzz::Fail("command from a skipped (indented or comment) line", command);
        if (command.size() >= 2) {
            const char last = command[command.size() - 2];
            if (last == ' ' || last == '\t' || last == '\r' || last == '\v' || last == '\f')
                fuzz::Fail("command with trailing white space", command);
        }
    }
    return 0;
}
