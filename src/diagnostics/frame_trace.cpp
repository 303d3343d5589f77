#include "diagnostics/frame_trace.h"

#include <cstdio>

#include "config/diagnostic_variables.h"
#include "engine/decimal_text.h"
#include "engine/paths.h"
#include "log/file_handle.h"
#include "log/log.h"

const char kTraceHeader[] =
    "date,time,game_time,fps,p50_us,p99_us,max_us,sys_ticrate_asked,sys_ticrate_in_effect,sleepsm,"
    "process_cpu_percent,frame_start_p99_us,think_p99_us,touch_p99_us,players_p99_us,commands_p99_us,"
    "other_p99_us,plugin_p99_us,rest_p99_us\n";

namespace {
bool s_failureReported = false;

bool Append(const char *szPath, const char *szRow) {
    const bool isNew = !platform::FileExists(szPath);
    CFileHandle file;
    if (!file.Open(szPath, "at")) return false;
    if (isNew) file.Printf("%s", kTraceHeader);
    file.Printf("%s", szRow);
    return file.Close();
}
}  // namespace

bool FormatTraceRow(const TraceRow &row, char *szOut, std::size_t size) {
    char cpu[32] = "";
    if (row.window.haveCpu) FormatDecimal(cpu, sizeof(cpu), row.window.cpuPercent, 1);
    // The numbers are written with a point whatever the locale: a comma
    // would split them into two columns.
    int length = std::snprintf(
        szOut, size, "%04d-%02d-%02d,%02d:%02d:%02d,%s,%s,%u,%u,%u,%s,%s,%s,%s", row.now.year + 1900,
        row.now.month + 1, row.now.day, row.now.hour, row.now.minute, row.now.second,
        DecimalText(static_cast<double>(row.gameTime), 2).szText, DecimalText(row.window.fps, 1).szText,
        row.window.p50Us, row.window.p99Us, row.window.maxUs, GeneralText(static_cast<double>(row.ticrateAsked)).szText,
        GeneralText(static_cast<double>(row.ticrateHeld)).szText, GeneralText(static_cast<double>(row.sleepsm)).szText,
        cpu);
    // The families' p99, empty when the profile did not measure the window.
    for (uint32_t i = 0; i < kProfileParts && length > 0 && static_cast<std::size_t>(length) < size; ++i) {
        const std::size_t used = static_cast<std::size_t>(length);
        const int added = row.profile.frames > 0
                              ? std::snprintf(szOut + used, size - used, ",%u", row.profile.parts[i].p99Us)
                              : std::snprintf(szOut + used, size - used, ",");
        length = added > 0 ? length + added : -1;
    }
    if (length > 0 && static_cast<std::size_t>(length) < size) {
        const int added = std::snprintf(szOut + length, size - static_cast<std::size_t>(length), "\n");
        length = added > 0 ? length + added : -1;
    }
    return length > 0 && static_cast<std::size_t>(length) < size;
}

void WriteTraceRow(const TraceRow &row) {
    if (VariableInt(g_pTrace) == 0) return;
    char text[384];
    char name[48];
    char directory[kLogPathSize];
    char path[kLogPathSize];
    std::snprintf(name, sizeof(name), "trace_%04d-%02d-%02d.csv", row.now.year + 1900, row.now.month + 1,
                  row.now.day);
    bool written = FormatTraceRow(row, text, sizeof(text)) && PluginPath(directory, sizeof(directory), "logs") &&
                   PluginPath(path, sizeof(path), "logs", name);
    if (written && !platform::DirectoryExists(directory)) written = platform::CreateOneDirectory(directory);
    if (written) written = Append(path, text);
    if (written) return;
    SetVariableText(g_pTrace, "0");
    if (s_failureReported) return;
    s_failureReported = true;
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "Could not write the trace %s; zeq_kestrin_trace is switched off. Make room on the disk or let "
               "the server write to addons/zeq_kestrin/logs, then set zeq_kestrin_trace 1 again.",
               name);
}

void TraceMapStart() { s_failureReported = false; }
