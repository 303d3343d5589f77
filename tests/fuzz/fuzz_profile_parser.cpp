// The profile parser over arbitrary kestrin.ini contents: every record text
// stays terminated inside its field, and every status line inside its buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/profile_file.h"
#include "config/profile_parser.h"
#include "config/profile_store.h"
#include "config/variables.h"
#include "fuzz_support.h"

namespace {
void CheckText(const char *field, const char *what) {
    if (std::memchr(field, '\0', kProfileTextSize) == nullptr)
        fuzz::Fail(what, std::string(field, kProfileTextSize));
}

void Setup(TestEngine &engine) {
    RegisterMainVariables();
    RegisterOwnVariables();
    // No plugin directory: the parser's error lines are formatted but not
    // written.
    (void)engine;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TestEngine &engine = fuzz::Engine();
    static const bool s_ready = (Setup(engine), true);
    (void)s_ready;
    engine.calls.clear();
    engine.console.clear();

    ResetProfileStoreForTests();
    ResetProfileParserForTests();
    // An exact-size copy, so that a read past the end is caught.
    char *copy = new char[size > 0 ? size : 1];
    if (size > 0) std::memcpy(copy, data, size);
    ParseProfileText(copy, size);
    delete[] copy;

    const ProfileParserState state = CurrentProfileParserState();
    if (state.iSection < PROFILE_SECTION_NONE || state.iSection > PROFILE_SECTION_BOTS)
        fuzz::Fail("parser left in an unknown section", std::to_string(state.iSection));
    if (state.iLevel < -1 || state.iLevel >= kProfileLevels)
        fuzz::Fail("parser left on an unknown level", std::to_string(state.iLevel));

    for (int i = 0; i < kProfileLevels; ++i) {
        CheckText(g_fpsLevels[i].szText, "FPS text not terminated");
        CheckText(g_cpuLevels[i].szText, "CPU text not terminated");
        CheckText(g_sysLevels[i].szText1, "SYS text 1 not terminated");
        CheckText(g_sysLevels[i].szText2, "SYS text 2 not terminated");
        CheckText(g_sysLevels[i].szText3, "SYS text 3 not terminated");
        CheckText(g_sysLevels[i].szText4, "SYS text 4 not terminated");
        CheckText(g_sysLevels[i].szText5, "SYS text 5 not terminated");
        CheckText(g_serverLevels[i].szText, "SERVER text not terminated");
        CheckText(g_botsLevels[i].szText, "BOTS text not terminated");
    }
    for (int n = -1; n <= 25; ++n) {
        const char *line = GetStatusLine(n);
        if (line == nullptr) fuzz::Fail("null status line", std::to_string(n));
        if (std::memchr(line, '\0', kStatusLineSize) == nullptr)
            fuzz::Fail("status line not terminated within its size", std::string(line, kStatusLineSize));
    }
    return 0;
}
