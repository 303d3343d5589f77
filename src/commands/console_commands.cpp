#include "commands/console_commands.h"

#include <cstdio>

#include "commands/info_texts.h"
#include "config/presets.h"
#include "control/cpu_monitor.h"
#include "diagnostics/frame_diagnostics.h"
#include "engine/engine_services.h"
#include "engine/plugin_state.h"
#include "log/log.h"
#include "sdk/abi.h"
#include "window/info_window.h"

namespace {

// ------------------------------------------------------------------ command words

constexpr int kMaxCommandWords = 5;

// The words typed after an action's name; read and handed on, unused so far.
struct ktCommandWords {
    const char *szWords[kMaxCommandWords];
};

const char *CommandWord(int iIndex) {
    if (g_engfuncs.pfnCmd_Argv == nullptr) return "";
    const char *szWord = g_engfuncs.pfnCmd_Argv(iIndex);
    return szWord != nullptr ? szWord : "";
}

ktCommandWords ReadCommandWords(int iFirst) {
    ktCommandWords words;
    for (int i = 0; i < kMaxCommandWords; ++i) words.szWords[i] = CommandWord(iFirst + i);
    return words;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const char *szFirst, const char *szSecond) {
    for (;; ++szFirst, ++szSecond) {
        if (LowerAscii(*szFirst) != LowerAscii(*szSecond)) return false;
        if (*szFirst == '\0') return true;
    }
}

// ------------------------------------------------------------------ information actions

void ShowHelp(const ktCommandWords &) { PrintHelp(); }
void ShowAbout(const ktCommandWords &) { PrintAbout(); }
void ShowBanner(const ktCommandWords &) { PrintBanner(); }
void ShowWindow(const ktCommandWords &) {
    // The console panel also shows the 99th percentile of the frame
    // intervals of the last governor window.
    char szNote[48];
    const FrameDiagnostics &stats = CurrentFrameDiagnostics();
    if (stats.haveWindow) std::snprintf(szNote, sizeof(szNote), "p99: %u us.", stats.window.p99Us);
    if (!ShowInfoWindow(stats.haveWindow ? szNote : nullptr)) LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Can't show info window!");
}

struct ktInfoAction {
    const char *szName;
    const char *szAlias;
    void (*pfnAction)(const ktCommandWords &words);
};

// Searched in order; the first row whose name or alias matches runs.
const ktInfoAction kInfoActions[] = {
    {"zeq_kestrin_about", "about", ShowAbout},
    {"zeq_kestrin_help", "zeq_kestrin_helpme", ShowHelp},
    {"zeq_kestrin", "information", ShowBanner},
    {"zeq_kestrin_show", "showpanel", ShowWindow},
};

constexpr char kCommandPrefix[] = "zeq_kestrin_";

// The name without the command prefix ("help" for zeq_kestrin_help), for
// actions named as a word after the display name.
const char *ShortName(const char *szName) {
    for (const char *p = kCommandPrefix; *p != '\0'; ++p, ++szName)
        if (*szName != *p) return nullptr;
    return szName;
}

const ktInfoAction *FindInfoAction(const char *szWord, bool bShortNames) {
    for (const ktInfoAction &action : kInfoActions) {
        if (EqualIgnoringCase(szWord, action.szName) || EqualIgnoringCase(szWord, action.szAlias)) return &action;
        const char *szShort = bShortNames ? ShortName(action.szName) : nullptr;
        if (szShort != nullptr && EqualIgnoringCase(szWord, szShort)) return &action;
    }
    return nullptr;
}

// ------------------------------------------------------------------ switches

void StrengtheningAction(bool bOn) { ApplyServerPreset(bOn); }
void MonitorAction(bool bOn) { SelectMonitorForOs(bOn); }
void BotsSupportAction(bool bOn) { SetBotsSupport(bOn); }

// One switch: its state, the action run on a change, and the messages for an
// unchanged setting (printed) and for a change (logged), by new state.
struct ktSwitch {
    int iState;
    void (*pfnAction)(bool bOn);
    const char *szAlready[2];
    const char *szDone[2];
};

ktSwitch s_switches[SWITCH_COUNT] = {
    {0, StrengtheningAction,
     {"Kes-Trin strengthening already disabled.", "Kes-Trin strengthening already enabled."},
     {"Strengthening disabled.", "Strengthening enabled."}},
    {0, MonitorAction,
     {"ZeQ Kes-Trin Preformance Monitor for Windows XP already included.",
      "ZeQ Kes-Trin Preformance Monitor for Windows Vista already included."},
     {"Preformance Monitor for Windows XP included.", "Preformance Monitor for Windows Vista included."}},
    {0, BotsSupportAction,
     {"ZeQ Kes-Trin Bots Support already disabled.", "Zeq Kes-Trin Bots Support already enabled."},
     {"Bots Support disabled.", "Bots Support enabled."}},
};

void RunSwitch(ktSwitch &sw) {
    const char *szArgument = CommandWord(1);
    int iWanted;
    if (TextsEqual(szArgument, "0"))
        iWanted = 0;
    else if (TextsEqual(szArgument, "1"))
        iWanted = 1;
    else {
        PluginPrint("Invalid value!");
        return;
    }
    if (sw.iState == iWanted) {
        PluginPrint("%s", sw.szAlready[iWanted]);
        return;
    }
    sw.iState = iWanted;
    sw.pfnAction(iWanted == 1);
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "%s", sw.szDone[iWanted]);
}

}  // namespace

ZK_HOST_CALLED void InfoCommand() {
    const char *szName = CommandWord(0);
    if (EqualIgnoringCase(szName, ZK_PRODUCT_NAME)) {
        // The display name takes the action as its first word.
        const char *szAction = CommandWord(1);
        if (IsEmptyText(szAction)) szAction = "help";
        const ktInfoAction *action = FindInfoAction(szAction, true);
        if (action == nullptr) {
            PluginPrint("Unknown command: %s", szAction);
            return;
        }
        action->pfnAction(ReadCommandWords(2));
        return;
    }
    if (const ktInfoAction *action = FindInfoAction(szName, false)) action->pfnAction(ReadCommandWords(1));
}

ZK_HOST_CALLED void StrengtheningCommand() { RunSwitch(s_switches[SWITCH_STRENGTHENING]); }
ZK_HOST_CALLED void PremonitorCommand() { RunSwitch(s_switches[SWITCH_MONITOR]); }
ZK_HOST_CALLED void BotsSupportCommand() { RunSwitch(s_switches[SWITCH_BOTS_SUPPORT]); }

ZK_HOST_CALLED void StandaloneMetaNotice() {
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL,
               "You're launched standalone version of test. Metamod is not installed or not enabled!");
}

int SwitchState(int iSwitch) {
    if (iSwitch < 0 || iSwitch >= SWITCH_COUNT) return 0;
    return s_switches[iSwitch].iState;
}

void ResetSwitchesForTests() {
    for (ktSwitch &sw : s_switches) sw.iState = 0;
}
