#include "config/auto_config.h"

#include <cstdio>

#include "config/command_file.h"
#include "config/variables.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/paths.h"
#include "log/file_handle.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/hardware.h"
#include "platform/platform.h"

bool bAutoConfigActive = false;

namespace {
constexpr int kAutoConfigPathSize = 260;
const char kAutoConfigFile[] = "kestrin.acfg";

HardwareProbe s_probe = MeasureHardware;

// Shows the measured figures to the operator.  Windows: a message box that
// waits until it is closed.  Without an interactive desktop (a POSIX server,
// a Windows service) a box would go unseen, so the figures become a log line
// echoed on the server console,
// "AutoConfig measured <clock MHz> <free memory MB> (CPU MHz, free memory MB)".
void ShowFigures(const HardwareFigures &figures) {
    char clock[48];  // a float has at most 39 digits before the point
    FormatDecimal(clock, sizeof(clock), static_cast<double>(figures.fClockFigure), 2);
    char text[64];
    std::snprintf(text, sizeof(text), "%s %d", clock, figures.iFreeMemoryMb);
    if (platform::InteractiveDesktop() && platform::ShowMessageBox(text, "", platform::MessageBoxIcon::None)) return;
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "AutoConfig measured %s (CPU MHz, free memory MB)", text);
}

// One line of the file, formatted and written.
void Line(platform::AtomicFile &file, const char *szFormat, int iValue) {
    char line[96];
    std::snprintf(line, sizeof(line), szFormat, iValue);
    file.Print(line);
}

void WriteSettings(platform::AtomicFile &file, const AutoConfigSettings &s) {
    file.Print("zeq_kestrin_logs 1\n");
    file.Print("zeq_kestrin_loglevel 0\n");
    file.Print("zeq_kestrin_sysrate 0\n");
    Line(file, "zeq_kestrin_autofps %d\n", s.autofps);
    Line(file, "zeq_kestrin_sleepsm %d\n", s.sleepsm);
    Line(file, "zeq_kestrin_cpu %d\n", s.cpu);
    Line(file, "zeq_kestrin_cpu_level %d\n", s.cpu_level);
    Line(file, "zeq_kestrin_cpu_timer %d\n", s.cpu_timer);
    Line(file, "zeq_kestrin_cpu_mspike %d\n", s.cpu_mspike);
    Line(file, "zeq_kestrin_proc_mdl %d\n", s.proc_mdl);
    Line(file, "zeq_kestrin_proc_spr %d\n", s.proc_spr);
    Line(file, "zeq_kestrin_strengthening %d\n", s.strengthening);
    file.Print("zeq_kestrin_join_msg 1\n");
    file.Print("zeq_kestrin_info 0\n");
    file.Print("zeq_kestrin_hostname DontKnow\n");
    file.Print("zeq_kestrin_website " ZK_WEBSITE_DEFAULT "\n");
    file.Print("zeq_kestrin_premonitor_win 0\n");
    file.Print("zeq_kestrin_bots_support 0\n");
    file.Print("zeq_kestrin_hpk 0\n");
}

// True when the file is there but holds nothing: what a server killed while
// an older version was writing it leaves behind.
bool IsEmptyFile(const char *path) {
    CFileHandle file(path, "rb");
    return file.IsOpen() && file.Size() == 0;
}

// Every writer puts the file in place whole, so a file with content is
// complete.
bool IsCompleteFile(const char *path) {
    CFileHandle file(path, "rb");
    return file.IsOpen() && file.Size() > 0;
}
}  // namespace

void SetHardwareProbeForTests(HardwareProbe probe) { s_probe = probe != nullptr ? probe : MeasureHardware; }

bool GenerateAutoConfig(const char *fileName) {
    char path[kAutoConfigPathSize];
    if (fileName == nullptr || !PluginPath(path, sizeof(path), "configs", fileName)) return false;
    // The file appears only when it is complete: a server killed during the
    // measurement, the message box or the writing leaves no file (and is
    // measured again at the next map start), a full disk leaves none either.
    const bool wasComplete = IsCompleteFile(path);
    platform::AtomicFile file;
    if (!file.Begin(path, true)) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL,
                   "Could not create %s (does the directory exist, and may the server write to it?)", path);
        return false;
    }
    const HardwareFigures figures = s_probe();
    ShowFigures(figures);
    WriteSettings(file, DeriveAutoConfig(figures.fClockFigure, figures.iFreeMemoryMb));
    if (!file.Commit()) {
        // Another server started from the same game directory may have put
        // its complete file there meanwhile (on Windows its rename, or its
        // reading, can also be why ours failed): that one is run.
        if (!wasComplete && IsCompleteFile(path)) {
            LogMessage(true, LOGLEVEL_LOG, LOGMODE_DEV, "%s was written by another server meanwhile; using it.", path);
            return true;
        }
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Could not write %s completely (disk full?)", path);
        return false;
    }
    return true;
}

void RunAutoConfig() {
    if (VariableInt(RegistryHandle(REG_AUTOCONFIG)) <= 0) {
        bAutoConfigActive = false;
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "AutoConfig is Disabled.");
        return;
    }
    bAutoConfigActive = true;
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "AutoConfig is Enabled.");

    char path[kAutoConfigPathSize];
    if (!PluginPath(path, sizeof(path), "configs", kAutoConfigFile) || !platform::FileExists(path)) {
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Can't Open AutoConfiguration File. Creating new...");
        GenerateAutoConfig(kAutoConfigFile);
    } else if (IsEmptyFile(path)) {
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
                   "AutoConfiguration file is empty (an earlier write was cut short). Creating new...");
        GenerateAutoConfig(kAutoConfigFile);
    }

    CFileHandle file;
    if (!OpenConfigFile(kAutoConfigFile, "AutoConfiguration file not found.", file, true)) return;
    ExecuteCommandFile(file);
    file.Close();
}
