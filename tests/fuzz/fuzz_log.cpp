// Log formatting with hostile values: the input, cut into pieces at NUL
// bytes, is passed as "%s" values (never as the format) with both modes,
// levels 1 to 3 and both log files.  The first byte chooses the settings
// and how often the first piece is repeated (texts far beyond the line size).
// Each call may append at most one line of 1023 characters and its line end
// to the log and to the console.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "fuzz_support.h"
#include "log/log.h"
#include "platform/platform.h"

namespace {
const std::string kPluginDir = "cstrike/addons/zeq_kestrin";
const std::string kLogDir = kPluginDir + "/logs";

void Setup(TestEngine &engine) {
    engine.WriteFile(kPluginDir + "/.keep", "");
    // Registers the log's variables.
    LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "%s", "start");
}

// Bytes in the two log files (the single file and today's daily file).  The
// files are kept between calls (the plugin appends; removing and making them
// each time, and listing the directory, would cost more than the formatting
// under test) and emptied once they grow past a megabyte.
std::uintmax_t FileBytes(const char *path) {
    struct stat details;
    return ::stat(path, &details) == 0 ? static_cast<std::uintmax_t>(details.st_size) : 0;
}

std::uintmax_t LogBytes() {
    const platform::LocalTime now = platform::CurrentLocalTime();
    char daily[128];
    std::snprintf(daily, sizeof(daily), "%s/Kestrin_%02d%02d%02d.log", kLogDir.c_str(), now.day, now.month, now.year);
    return FileBytes((kLogDir + "/Kestrin.log").c_str()) + FileBytes(daily);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TestEngine &engine = fuzz::Engine();
    static const bool s_ready = (Setup(engine), true);
    (void)s_ready;
    if (size == 0) return 0;

    const uint8_t settings = data[0];
    const bool echo = (settings & 1) != 0;
    const int mode = (settings >> 1) & 1 ? LOGMODE_DEV : LOGMODE_NORMAL;
    const int level = 1 + ((settings >> 2) & 3) % 3;
    engine.SetVariable("zeq_kestrin_logs", (settings >> 4) & 1 ? "2" : "1");
    engine.SetVariable("zeq_kestrin_loglevel", (settings >> 5) & 1 ? "1" : "0");
    const int repeat = 1 + ((settings >> 6) & 3) * 700;

    std::vector<std::string> pieces(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == '\0') pieces.emplace_back();
        else pieces.back() += static_cast<char>(data[i]);
    }
    while (pieces.size() < 4) pieces.emplace_back();
    std::string first;
    first.reserve(8192 + pieces[0].size());
    for (int i = 0; i < repeat && first.size() < 8192; ++i) first += pieces[0];
    pieces[0] = first;

    const bool written = mode == LOGMODE_NORMAL || engine.VariableText("zeq_kestrin_loglevel") == "1";
    auto check = [&](auto call) {
        std::uintmax_t before = LogBytes();
        if (before > (1u << 20)) {
            fuzz::EmptyDirectory(kLogDir);
            before = 0;
        }
        engine.console.clear();
        engine.calls.clear();  // the fake engine's record would grow for the whole run
        call();
        const std::uintmax_t bytes = LogBytes() - before;
        if (bytes > 1024) fuzz::Fail("log line longer than 1023 characters", std::to_string(bytes));
        if (written && bytes == 0) fuzz::Fail("nothing written to the log", pieces[0].substr(0, 200));
        if (!written && bytes != 0) fuzz::Fail("developer line written without the level", pieces[0].substr(0, 200));
        if (engine.console.size() > 1024) fuzz::Fail("console line longer than 1023 characters", engine.console);
        if (!(echo && written) && !engine.console.empty()) fuzz::Fail("console line without echo", engine.console);
    };
    check([&] { LogMessage(echo, level, mode, "%s", pieces[0].c_str()); });
    check([&] { LogMessage(echo, level, mode, "The %s is not model", pieces[1].c_str()); });
    check([&] {
        LogMessage(echo, level, mode, "%s %s %s %s", pieces[0].c_str(), pieces[1].c_str(), pieces[2].c_str(),
                   pieces[3].c_str());
    });
    check([&] { LogMessage(echo, level, mode, "[SYS] Unregistred Command %s", pieces[2].c_str()); });
    return 0;
}
