// The plugin's one log call, its files and levels, and the critical error.
#pragma once

#include "engine/engine_services.h"
#include "platform/platform.h"

enum LogLevel { LOGLEVEL_LOG = 1, LOGLEVEL_WARNING = 2, LOGLEVEL_ERROR = 3, LOGLEVEL_FATAL = 4 };
enum LogMode { LOGMODE_NORMAL = 0, LOGMODE_DEV = 1 };

constexpr int kLogMessageSize = 1024;
constexpr int kLogLineSize = 1024;
constexpr int kLogPathSize = 128;

// The daily log's name (zeq_kestrin_logs 2): the day of the month and the
// month counted from 00 (January) to 11, two digits each, then the years
// since 1900 (126 in 2026): 7 December 2026 gives "Kestrin_0711126.log".
void DailyLogName(char *szName, size_t size, const platform::LocalTime &day);

// Formats the message, stamps it with the local time and the level's prefix,
// appends it to the log file and, with bEcho, prints it on the server console.
void LogMessage(bool bEcho, int iLevel, int iMode, const char *szFormat, ...) ZK_PRINTF(4, 5);

// Logs the text as an error, shows it in a message box and ends the process
// with exit code 1.
[[noreturn]] void CriticalError(const char *szFormat, ...) ZK_PRINTF(1, 2);

// Shows the text in a message box on the server's desktop and waits until it
// is closed.  A server without an interactive desktop (a service) would wait
// for ever on a box nobody sees: the text is logged instead, as a warning
// that says so.
void ShowMessageOrLog(const char *szText, const char *szCaption, platform::MessageBoxIcon icon);

// Registers the two log variables on the first call.
void RegisterLogVariables(bool bFirst);

// Forgets the first-call state (tests run several sessions in one process).
void ResetLogForTests();
