// The read-back of the resource database over arbitrary database files.  The
// input is mdlbase.kts; when it contains the line "#sprbase.kts", what
// follows that line is sprbase.kts and sprite processing is switched on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/variables.h"
#include "engine/plugin_state.h"
#include "fuzz_support.h"
#include "resources/database_files.h"
#include "resources/record_processing.h"

namespace {
const std::string kPluginDir = "cstrike/addons/zeq_kestrin";
const std::string kDbDir = kPluginDir + "/db/";
const std::string kLogDir = kPluginDir + "/logs";
const std::string kSeparator = "\n#sprbase.kts\n";

int (*s_engineGetFileSize)(char *) = nullptr;

// The engine's file size, but only inside the game directory: sprite names
// come from the fuzzed file and must not reach devices or other trees.
int GameFileSize(char *path) {
    const std::string text = path != nullptr ? path : "";
    if (text.empty() || text[0] == '/' || text.find("..") != std::string::npos) return -1;
    return s_engineGetFileSize(path);
}

void Setup(TestEngine &engine) {
    engine.WriteFile(kPluginDir + "/.keep", "");
    engine.WriteFile(kDbDir + ".keep", "");
    engine.WriteFile("cstrike/sprites/640hud1.spr", std::string(2048, 's'));
    engine.WriteFile("cstrike/sprites/small.spr", std::string(16, 's'));
    RegisterMainVariables();
    RegisterOwnVariables();
    engine.SetVariable("zeq_kestrin_logs", "1");
    engine.SetVariable("zeq_kestrin_loglevel", "1");
    s_engineGetFileSize = engine.table.pfnGetFileSize;
    g_engfuncs.pfnGetFileSize = GameFileSize;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TestEngine &engine = fuzz::Engine();
    static const bool s_ready = (Setup(engine), true);
    (void)s_ready;
    engine.calls.clear();
    engine.console.clear();
    fuzz::EmptyDirectory(kLogDir);

    const std::string input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = input.find(kSeparator);
    const std::string models = input.substr(0, split);
    const std::string sprites = split == std::string::npos ? "" : input.substr(split + kSeparator.size());
    fuzz::WriteBytes(kDbDir + KTS_MODEL_FILE, reinterpret_cast<const uint8_t *>(models.data()), models.size());
    fuzz::WriteBytes(kDbDir + KTS_SPRITE_FILE, reinterpret_cast<const uint8_t *>(sprites.data()), sprites.size());
    engine.SetVariable("zeq_kestrin_proc_spr", split == std::string::npos ? "0" : "1");

    ProcessDatabase();

    if (!TokenList().empty()) fuzz::Fail("tokens left over after the read-back", std::to_string(TokenList().size()));
    const std::string log = engine.ReadFile(kLogDir + "/Kestrin.log");
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos) fuzz::Fail("log line without its line end", log.substr(start));
        if (end - start > 1023) fuzz::Fail("log line longer than 1023 characters", log.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
