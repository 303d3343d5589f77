// Shared helpers of the fuzz targets: one fake engine per process, file
// writing, and the failure report.
//
// The engine's directory becomes the working directory, so every path given
// to a fuzzer on its command line must be absolute.  libFuzzer ends timed
// runs and failing runs without destructors, which would leave the engine's
// temporary directory behind: with ZK_FUZZ_HOME set, the engine works in
// ZK_FUZZ_HOME/<process id> instead, which the runner removes afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "support/test_engine.h"

namespace fuzz {

// The process's fake engine, made on first use.
inline TestEngine &Engine() {
    static TestEngine engine;
    static const bool s_moved = [] {
        const char *home = std::getenv("ZK_FUZZ_HOME");
        if (home == nullptr || home[0] == '\0') return false;
        namespace fs = std::filesystem;
        std::error_code error;
        const fs::path directory = fs::absolute(home, error) / std::to_string(getpid());
        fs::remove_all(directory, error);
        fs::create_directories(directory / engine.gameDirText, error);
        if (error) return false;
        fs::current_path(directory, error);
        if (error) return false;
        fs::remove_all(engine.root, error);
        engine.root = directory.string();
        return true;
    }();
    (void)s_moved;
    return engine;
}

// Reports a broken property with the offending text (escaped) and aborts, so
// that libFuzzer saves the input.
[[noreturn]] inline void Fail(const char *what, const std::string &text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            shown += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\x%02x", c);
            shown += escape;
        }
    }
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n  text (%zu bytes): \"%s\"\n", what, text.size(), shown.c_str());
    std::abort();
}

// Writes the bytes as they are (directories created).
inline void WriteBytes(const std::string &path, const uint8_t *data, std::size_t size) {
    std::error_code error;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) std::filesystem::create_directories(path.substr(0, slash), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
}

// Removes every file of a directory (the directory stays).
inline void EmptyDirectory(const std::string &path) {
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(path, error); !error && it != std::filesystem::directory_iterator();
         it.increment(error))
        std::filesystem::remove_all(it->path(), error);
}

}  // namespace fuzz
