// The simulator's own operating-system layer.  host_os_posix.cpp implements it
// with POSIX, host_os_win32.cpp with Win32; no other hostsim file includes an
// OS header.
#pragma once

#include <string>

namespace hostsim {
namespace hostos {

// Dynamic libraries.  OpenLibrary resolves every symbol at once (RTLD_NOW),
// like the engine and Metamod; on failure it returns null and describes why.
void *OpenLibrary(const std::string &path, std::string *error);
void *FindSymbol(void *library, const char *name);
void CloseLibrary(void *library);

// Files and directories.
bool ChangeDirectory(const std::string &path);
bool MakeDirectories(const std::string &path);  // like mkdir -p
bool CopyRegularFile(const std::string &from, const std::string &to);
long long RegularFileSize(const std::string &path);  // -1: missing or not a regular file
bool IsAbsolutePath(const std::string &path);
std::string AbsolutePath(const std::string &path);
std::string ExecutableDirectory();
extern const char kPathSeparator;

// Resources of this process, for the soak checks: heap bytes in use (the
// address sanitizer's count where it runs, the C library's otherwise) and
// open files (POSIX: descriptors; Windows: handles).  -1 where unknown.
long long HeapBytesInUse();
int OpenFileCount();

// Sets a variable of the process's environment (a library loaded later reads it).
void SetEnvironment(const char *name, const std::string &value);

// Time.
double MonotonicSeconds();
// POSIX: nanosleep, so the thread's timer slack decides how long it really
// takes.  Windows: Sleep, governed by the multimedia timer period.
void SleepSeconds(double seconds);

// Windows: dispatches every message waiting in the thread's queue, which is
// how thread timers (SetTimer without a window) run on a Windows server.
// Returns how many of them were such thread timer messages.  Elsewhere:
// nothing, 0.
int PumpMessages();
bool HasMessageQueue();

// Console output as a server prints it: line-buffered where the C runtime
// can do that, unbuffered elsewhere, so that output is never lost when the
// process aborts.
void PrepareConsoleOutput();

// File names of the game library that the plugin loads in standalone mode,
// and of the stub game this build produces.
extern const char *const kGameLibraryFileName;  // cs_i386.so (cs_amd64.so, cs_arm64.so) / mp.dll
extern const char *const kStubGameFileName;     // stub_game.so / stub_game.dll

}  // namespace hostos
}  // namespace hostsim
