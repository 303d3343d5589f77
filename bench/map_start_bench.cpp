// The configuration work of a map start: reading a 100-line kestrin.cfg (its
// commands handed to the engine's command buffer) and a full kestrin.ini
// profile, alone (ReadConfigFiles) and as part of the whole ServerActivate
// hook, against reading the same two files line by line with plain stdio in
// the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/auto_config.h"
#include "config/profile_file.h"
#include "config/profile_store.h"
#include "config/variables.h"
#include "engine/plugin_state.h"
#include "platform/system_timers_gametime.h"
#include "plugin/dllapi.h"
#include "support/test_engine.h"

namespace {

const char kConfigDir[] = "cstrike/addons/zeq_kestrin/configs/";

// A public server's command file: 100 lines with comments, blank lines,
// trailing white space and indented (ignored) lines.
const char *const kCommandFile[] = {
    "// ZEQ Kes-Trin command file of a public 32-slot server.",
    "// Lines beginning with \"/\" are comments; indented lines are ignored.",
    "//",
    "",
    "// ---- Identity ----",
    "hostname \"[EU] Kes-Trin Public #1 | 32 slots | FF off\"",
    "sv_contact \"admin@example.net\"",
    "sv_region 3",
    "sv_password \"\"",
    "rcon_password \"x7-change-me\"",
    "sv_lan 0",
    "",
    "// ---- Network ----",
    "sv_maxrate 25000",
    "sv_minrate 5000",
    "sv_maxupdaterate 101",
    "sv_minupdaterate 30",
    "sys_ticrate 1000",
    "fps_max 600",
    "sv_timeout 65",
    "sv_unlag 1",
    "sv_maxunlag 0.5",
    "",
    "// ---- Game rules ----",
    "mp_timelimit 25\t",
    "mp_roundtime 2.5",
    "mp_freezetime 3",
    "mp_c4timer 35",
    "mp_buytime 0.25",
    "mp_startmoney 800",
    "mp_friendlyfire 0",
    "mp_autoteambalance 1",
    "mp_limitteams 2",
    "mp_autokick 1",
    "mp_tkpunish 0",
    "mp_hostagepenalty 0",
    "mp_flashlight 1",
    "mp_footsteps 1",
    "mp_forcechasecam 0",
    "mp_fadetoblack 0",
    "mp_chattime 10",
    "mp_logmessages 1",
    "mp_logdetail 3",
    "",
    "// ---- Movement ----",
    "sv_gravity 800   ",
    "sv_airaccelerate 10",
    "sv_accelerate 5",
    "sv_friction 4",
    "sv_stopspeed 75",
    "sv_maxspeed 320",
    "sv_alltalk 0",
    "sv_voiceenable 1",
    "sv_voicecodec voice_speex",
    "sv_voicequality 3",
    "",
    "// ---- Downloads ----",
    "sv_allowdownload 1",
    "sv_allowupload 0",
    "sv_send_logos 0",
    "sv_send_resources 1",
    "sv_downloadurl \"http://fastdl.example.net/cstrike/\"",
    "",
    "// ---- Logging ----",
    "log on",
    "sv_logbans 1",
    "sv_logecho 0",
    "sv_logfile 1",
    "",
    "// ---- ZEQ Kes-Trin ----",
    "zeq_kestrin_logs 2",
    "zeq_kestrin_loglevel 0",
    "zeq_kestrin_sysrate 0",
    "zeq_kestrin_autofps 300",
    "zeq_kestrin_sleepsm 3",
    "zeq_kestrin_cpu 1",
    "zeq_kestrin_cpu_level 80",
    "zeq_kestrin_cpu_mspike 3",
    "zeq_kestrin_cpu_timer 2",
    "zeq_kestrin_join_msg 2",
    "zeq_kestrin_info 1",
    "zeq_kestrin_hostname \"[EU] Kes-Trin Public #1\"",
    "zeq_kestrin_website \"www.example.net\"",
    "zeq_kestrin_proc_mdl 1",
    "zeq_kestrin_proc_spr 1",
    "zeq_kestrin_autoconfig 0",
    "zeq_kestrin_hpk 1",
    "zeq_kestrin_hpk_maxping 150",
    "zeq_kestrin_hpk_checks 5",
    "zeq_kestrin_hpk_tests 5",
    "zeq_kestrin_hpk_delay 14",
    "",
    "// ---- Off for now ----",
    "\tmp_friendlyfire 1",
    "    sv_cheats 1",
    "// sv_password \"scrim\"",
    "",
    "exec banned.cfg",
    "exec listip.cfg",
    "// end",
};
static_assert(sizeof(kCommandFile) / sizeof(kCommandFile[0]) == 100, "the command file has 100 lines");

// Every level of every section filled, comments written as "/" words.
const char kProfileFile[] =
    "//ZEQ_Kes-Trin_profile_of_a_public_32-slot_server.\n"
    "//Every_word_of_a_comment_begins_with_\"/\".\n"
    "\n"
    "//FPSn:_mode_number,_mode_value,_text.\n"
    "[FPS]\n"
    "FPS1 0 0.5 r\n"
    "FPS2 2 2.5 fps2\n"
    "FPS3 5 4.0 fps3\n"
    "FPS4 9 9.9 fps4\n"
    "//CPUn:_mode_number,_mode_value,_text.\n"
    "[CPU]\n"
    "CPU1 0 0.0 r\n"
    "CPU2 1 1.5 cpu2\n"
    "CPU3 3 3.5 cpu3\n"
    "CPU4 7 8.5 cpu4\n"
    "//SYSn:_five_texts.\n"
    "[SYS]\n"
    "SYS1 a a a a r\n"
    "SYS2 b a a a s2\n"
    "SYS3 c b a a s3\n"
    "SYS4 d c b a s4\n"
    "//SERVn:_FPS_mode,_CPU_mode,_system_number,_text.\n"
    "[SERVER]\n"
    "SERV1 0.5 0.5 0 r\n"
    "SERV2 1.5 2.0 3 srv2\n"
    "SERV3 4.0 4.5 6 srv3\n"
    "SERV4 9.9 9.9 9 srv4\n"
    "//BOTSn:_highest_and_lowest_bot_level,_text.\n"
    "[BOTS]\n"
    "BOTS1 0 0 r\n"
    "BOTS2 3 1 bots2\n"
    "BOTS3 6 2 bots3\n"
    "BOTS4 9 5 bots4\n";

// What the engine's command buffer should receive: the lines that begin
// with a letter, without trailing white space, each ended by a line feed.
std::string ExpectedCommands() {
    std::string commands;
    for (const char *line : kCommandFile) {
        if (!std::isalpha(static_cast<unsigned char>(line[0]))) continue;
        std::string command = line;
        while (!command.empty() && (command.back() == ' ' || command.back() == '\t')) command.pop_back();
        commands += command + "\n";
    }
    return commands;
}

// The engine's command buffer: server commands are appended to it as text
// (the fake engine's own recording of every call would be measured too).
char s_commandBuffer[16384];
std::size_t s_commandLength = 0;
void AppendToCommandBuffer(char *text) {
    const std::size_t length = std::strlen(text);
    if (s_commandLength + length >= sizeof(s_commandBuffer)) return;
    std::memcpy(s_commandBuffer + s_commandLength, text, length + 1);
    s_commandLength += length;
}

// True when the profile store holds what kProfileFile says (values of the
// later levels, where a word taken by the wrong field would show).
bool ProfileWasRead() {
    const auto same = [](const char *field, const char *text) { return std::strcmp(field, text) == 0; };
    return g_fpsLevels[2].iNumber == 5 && g_fpsLevels[3].dNumber == 9.9 && same(g_fpsLevels[3].szText, "fps4") &&
           g_cpuLevels[3].iNumber == 7 && g_cpuLevels[3].dNumber == 8.5 && same(g_cpuLevels[2].szText, "cpu3") &&
           same(g_sysLevels[3].szText1, "d") && same(g_sysLevels[3].szText3, "b") &&
           same(g_sysLevels[3].szText5, "s4") &&
           g_serverLevels[2].dCpuMode == 4.5 && g_serverLevels[3].iSysNumber == 9 &&
           same(g_serverLevels[3].szText, "srv4") && g_botsLevels[2].iMinLevel == 2 && g_botsLevels[3].iMaxLevel == 9 &&
           g_botsLevels[3].iMinLevel == 5 && same(g_botsLevels[3].szText, "bots4");
}

struct Server {
    TestEngine engine;
    const std::string expected = ExpectedCommands();

    Server() {
        std::string commandFile;
        for (const char *line : kCommandFile) commandFile += std::string(line) + "\n";
        engine.WriteFile(std::string(kConfigDir) + "kestrin.cfg", commandFile);
        engine.WriteFile(std::string(kConfigDir) + "kestrin.ini", kProfileFile);
        loadedByMetamod = true;
        gameVersion = 1;
        bAutoConfigActive = false;
        RegisterMainVariables();
        RegisterOwnVariables();
        ResetProfileStoreForTests();
        ResetProfileParserForTests();
        platform::gametime_timers::Reset();
        g_engfuncs.pfnServerCommand = AppendToCommandBuffer;
        s_commandLength = 0;
    }
    ~Server() {
        ResetProfileStoreForTests();
        ResetProfileParserForTests();
        platform::gametime_timers::Reset();
    }
    // Between map starts: forget what the engine received and what was read.
    void Forget() {
        s_commandLength = 0;
        s_commandBuffer[0] = '\0';
        engine.calls.clear();
        engine.console.clear();
        ResetProfileStoreForTests();
    }
    bool ReadCorrectly() const { return expected == s_commandBuffer && ProfileWasRead(); }
};

long ReadLines(const char *path) {
    std::FILE *file = std::fopen(path, "r");
    if (file == nullptr) return -1;
    char line[256];
    long lines = 0;
    while (std::fgets(line, sizeof(line), file) != nullptr) {
        benchmark::DoNotOptimize(line);
        ++lines;
    }
    std::fclose(file);
    return lines;
}

void BM_MapStartStdioBaseline(benchmark::State &state) {
    Server server;
    const std::string cfg = std::string(kConfigDir) + "kestrin.cfg";
    const std::string ini = std::string(kConfigDir) + "kestrin.ini";
    // Every line of both files ends with a line feed.
    const long expectedLines =
        100 + static_cast<long>(std::count(kProfileFile, kProfileFile + sizeof(kProfileFile), '\n'));
    for (auto _ : state) {
        state.PauseTiming();  // the same pauses as the plugin's runs
        state.ResumeTiming();
        const long lines = ReadLines(cfg.c_str()) + ReadLines(ini.c_str());
        if (lines != expectedLines) {
            state.SkipWithError("the configuration files were not read whole");
            break;
        }
    }
}

// Each run is checked, outside the timed part, before the next one.
void BM_MapStartReadConfigFiles(benchmark::State &state) {
    Server server;
    bool ran = false;
    for (auto _ : state) {
        state.PauseTiming();
        if (ran && !server.ReadCorrectly()) {
            state.SkipWithError("kestrin.cfg or kestrin.ini was not read as written");
            break;
        }
        server.Forget();
        state.ResumeTiming();
        ReadConfigFiles();
        ran = true;
    }
    if (ran && !state.error_occurred() && !server.ReadCorrectly())
        state.SkipWithError("kestrin.cfg or kestrin.ini was not read as written");
}

// The whole hook: governor reset, published variables, both files, the map
// timers, the first check and the processor-load monitor.
void BM_MapStartServerActivate(benchmark::State &state) {
    Server server;
    DLL_FUNCTIONS hooks{};
    InstallHooks(&hooks, kPluginHooks);
    bool active = false;
    const auto started = [&server] { return server.ReadCorrectly() && platform::gametime_timers::Live() == 3; };
    for (auto _ : state) {
        state.PauseTiming();
        if (active) {
            if (!started()) {
                state.SkipWithError("the map start did not read both files and start its three timers");
                break;
            }
            hooks.pfnServerDeactivate();  // the map ends
        }
        platform::gametime_timers::Reset();
        server.Forget();
        state.ResumeTiming();
        hooks.pfnServerActivate(server.engine.edicts, 34, 32);
        active = true;
    }
    if (active && !state.error_occurred() && !started())
        state.SkipWithError("the map start did not read both files and start its three timers");
    if (active) hooks.pfnServerDeactivate();
}

}  // namespace

BENCHMARK(BM_MapStartStdioBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MapStartReadConfigFiles)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MapStartServerActivate)->Unit(benchmark::kMicrosecond);
