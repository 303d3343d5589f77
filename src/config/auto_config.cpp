#include "config/auto_config.h"

#include <cstdio>

#include "config/command_file.h"
#include "config/variables.h"
#include "engine/engine_services.h"
#include "engine/paths.h"
#include "log/file_handle.h"
#include "log/log.h"
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
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f %d", static_cast<double>(figures.fClockFigure), figures.iFreeMemoryMb);
    if (platform::InteractiveDesktop() && platform::ShowMessageBox(text, "", platform::MessageBoxIcon::None)) return;
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "AutoConfig measured %s (CPU MHz, free memory MB)", text);
}

void WriteSettings(CFileHandle &file, const AutoConfigSettings &s) {
    file.Printf("zeq_kestrin_logs 1\n");
    file.Printf("zeq_kestrin_loglevel 0\n");
    file.Printf("zeq_kestrin_sysrate 0\n");
    file.Printf("zeq_kestrin_autofps %d\n", s.autofps);
    file.Printf("zeq_kestrin_sleepsm %d\n", s.sleepsm);
    file.Printf("zeq_kestrin_cpu %d\n", s.cpu);
    file.Printf("zeq_kestrin_cpu_level %d\n", s.cpu_level);
    file.Printf("zeq_kestrin_cpu_timer %d\n", s.cpu_timer);
    file.Printf("zeq_kestrin_cpu_mspike %d\n", s.cpu_mspike);
    file.Printf("zeq_kestrin_proc_mdl %d\n", s.proc_mdl);
    file.Printf("zeq_kestrin_proc_spr %d\n", s.proc_spr);
    file.Printf("zeq_kestrin_strengthening %d\n", s.strengthening);
    file.Printf("zeq_kestrin_join_msg 1\n");
    file.Printf("zeq_kestrin_info 0\n");
    file.Printf("zeq_kestrin_hostname DontKnow\n");
    file.Printf("zeq_kestrin_website %s\n", ZK_WEBSITE_DEFAULT);
    file.Printf("zeq_kestrin_premonitor_win 0\n");
    file.Printf("zeq_kestrin_bots_support 0\n");
    file.Printf("zeq_kestrin_hpk 0\n");
}
}  // namespace

void SetHardwareProbeForTests(HardwareProbe probe) { s_probe = probe != nullptr ? probe : MeasureHardware; }

bool GenerateAutoConfig(const char *fileName) {
    char path[kAutoConfigPathSize];
    if (fileName == nullptr || !PluginPath(path, sizeof(path), "configs", fileName)) return false;
    CFileHandle file(path, "w");
    if (!file.IsOpen()) return false;
    const HardwareFigures figures = s_probe();
    ShowFigures(figures);
    WriteSettings(file, DeriveAutoConfig(figures.fClockFigure, figures.iFreeMemoryMb));
    file.Close();
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
    }

    CFileHandle file;
    if (!OpenConfigFile(kAutoConfigFile, "AutoConfiguration file not found.", file, true)) return;
    ExecuteCommandFile(file);
    file.Close();
}
