#include "commands/info_texts.h"

#include <cstdint>

#include "engine/build_number.h"
#include "engine/engine_services.h"
#include "engine/plugin_state.h"

namespace {

#define ZK_STRINGIFY_VALUE(x) #x
#define ZK_STRINGIFY(x) ZK_STRINGIFY_VALUE(x)

#if defined(__clang__)
#  define ZK_COMPILER_NAME "Clang " __clang_version__
#elif defined(__GNUC__)
#  define ZK_COMPILER_NAME "GCC " __VERSION__
#elif defined(_MSC_VER)
#  define ZK_COMPILER_NAME "Microsoft C/C++ " ZK_STRINGIFY(_MSC_FULL_VER)
#else
#  define ZK_COMPILER_NAME "unknown C++ compiler"
#endif

// One help line: the name, padded with blanks to 31 characters or followed by
// iTabs tab characters, then "- " and the description.
struct ktHelpLine {
    const char *szName;
    int iTabs;
    const char *szDescription;
};

const ktHelpLine kHelpTable[kHelpLines] = {
    {"zeq_fps", 0, "Display current FPS."},
    {"zeq_kestrin", 0, "Display ZEQ Information."},
    {"zeq_ticrate", 0, "Display current ticrate."},
    {"zeq_kestrin_help", 0, "Display this message."},
    {"zeq_kestrin_about", 0, "Display information about this plugin."},
    {"zeq_kestrin_strengthening", 0, "Inclusion of additional options."},
    {"zeq_kestrin_version", 0, "Display current version."},
    {"zeq_kestrin_autofps", 0, "Automatic server FPS."},
    {"zeq_kestrin_sleepsm", 0, "Minimum sleep time set to meta meta system."},
    {"zeq_kestrin_join_msg", 0, "Display connect message."},
    {"zeq_kestrin_info", 0, "Display connect message with server name and server website."},
    {"zeq_kestrin_hostname", 0, "Your ServeR Name."},
    {"zeq_kestrin_website", 0, "Your ServeR WeB SiTe adress."},
    {"zeq_kestrin_sysrate", 0, "Manual FPS installation."},
    {"zeq_kestrin_cpu", 0, "Inclusion CPU funtcion."},
    {"zeq_kestrin_cpu_mspike", 0, "CPU spike maximum. Time, which CPU level needs for changing CPU loading."},
    {"zeq_kestrin_cpu_level", 0, "CPU spike level. Level which CPU utilization needs to exceed."},
    {"zeq_kestrin_cpu_timer", 0, "CPU server meta minc. Amount timer will increment."},
    {"zeq_kestrin_premonitor_win", 0, "Stabilization CPU of monitor for OS."},
    {"zeq_kestrin_bots_support", 0, "Bots support."},
    {"zeq_kestrin_proc_mdl", 0, "Models processing."},
    {"zeq_kestrin_proc_spr", 0, "Sprites processing."},
    {"zeq_kestrin_logs", 0, "Enable/Disabled log."},
    {"zeq_kestrin_loglevel", 0, "Log Levels: Dev or Normal."},
    {"zeq_kestrin_autocofig", 0, "Automatical cofiguration."},
    {"zeq_kestrin_hpk", 4, "Enable Hight Ping Kicker."},
    {"zeq_kestrin_hpk_checks", 3, "Ping Checks."},
    {"zeq_kestrin_hpk_tests", 3, "Ping Tests."},
    {"zeq_kestrin_hpk_delay", 3, "Delay."},
};

constexpr int kHelpNameWidth = 31;

const char kAboutFormat[] =
    "------------------------------------------------\n"
    "Name: %s\n"
    "WeB Site: %s\n"
    "Version: %s (Build: %u)\n"
    "Optimization: %s\n"
    "Builded by: %s\n"
    "Compiled: %s, %s +300 (GMT)\n"
    "Optimization: %s\n"
    "Meta-Interface Version: %s\n"
    "Compiled by: %s\n"
    "ZEQ-Interface Version: %s\n"
    "Platform: %s\n"
    "------------------------------------------------";

// A frame 63 characters wide: a rule, 19 lines between "|", the rule again.
// The first two lines are filled with the product name, the web address and
// the build number, then the maker and the build date.
const char kBannerFormat[] =
    "---------------------------------------------------------------\n"
    "|  %s v1.70 - %s - Build %-5u |\n"
    "|  Made by %s, built %s +300 (GMT)         |\n"
    "|  Copyright (c) ZEQ Dev Team.                                |\n"
    "|  All rights reserved.                                       |\n"
    "|  WARNING: this is a DEBUG version. It logs more and runs    |\n"
    "|  slower than a release; do not use it on a public server.   |\n"
    "|  A Metamod plugin for Half-Life that speeds up the work     |\n"
    "|  of the server and lowers its load.                         |\n"
    "|  Free of charge. Closed source. Protected by law.           |\n"
    "|  Problems, suggestions and wishes:                          |\n"
    "|    e-mail: support@kestrin.example.org                      |\n"
    "|    forum:  forum.kestrin.example.org                        |\n"
    "|  Latest version: www.kestrin.example.org                    |\n"
    "|                                                             |\n"
    "|  Needs to work:                                             |\n"
    "|    Metamod 1.18 or 1.19         (www.metamod.org)           |\n"
    "|    AMX Mod X 1.7.xx or 1.8.xx   (www.amxmodx.org)           |\n"
    "|                                                             |\n"
    "|  Thank you for using ZEQ Kes-Trin!                          |\n"
    "---------------------------------------------------------------";

// The build number as the about block and the banner show it.
unsigned ShownBuildNumber() { return static_cast<uint16_t>(BuildNumber()); }

}  // namespace

void PrintHelp() {
    ClientPrint(g_pListenServerHost, 0, "[ZEQ] Kes-Trin Vars and Commands:");
    for (const ktHelpLine &line : kHelpTable) {
        if (line.iTabs == 0)
            ClientPrint(g_pListenServerHost, 0, "%-*s- %s", kHelpNameWidth, line.szName, line.szDescription);
        else
            ClientPrint(g_pListenServerHost, 0, "%s%.*s- %s", line.szName, line.iTabs, "\t\t\t\t",
                        line.szDescription);
    }
}

void PrintAbout() {
    ClientPrint(g_pListenServerHost, 0, kAboutFormat, ZK_PRODUCT_NAME, ZK_WEBSITE, ZK_VERSION, ShownBuildNumber(),
                "Debug", ZK_AUTHOR, __DATE__, __TIME__, "Debug Build", META_INTERFACE_VERSION, ZK_COMPILER_NAME, "1.0e",
                "Win32 (32-bit)");
}

void PrintBanner() {
    ClientPrint(g_pListenServerHost, 0, kBannerFormat, ZK_PRODUCT_NAME, ZK_WEBSITE, ShownBuildNumber(), ZK_AUTHOR,
                __DATE__);
}
