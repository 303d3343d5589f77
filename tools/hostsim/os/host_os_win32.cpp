// Win32 implementation of the simulator's OS layer.
#include "os/host_os.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace hostsim {
namespace hostos {

const char kPathSeparator = '\\';
const char *const kGameLibraryFileName = "mp.dll";
const char *const kStubGameFileName = "stub_game.dll";

namespace {

std::string LastErrorText() {
    DWORD code = GetLastError();
    char *text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = "error " + std::to_string(code);
    if (length && text) {
        std::string message(text, length);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
            message.pop_back();
        result += ": " + message;
    }
    if (text) LocalFree(text);
    return result;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

void *OpenLibrary(const std::string &path, std::string *error) {
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library && error) *error = LastErrorText();
    return reinterpret_cast<void *>(library);
}

void *FindSymbol(void *library, const char *name) {
    if (!library) return nullptr;
    FARPROC proc = GetProcAddress(reinterpret_cast<HMODULE>(library), name);
    return reinterpret_cast<void *>(proc);
}

void CloseLibrary(void *library) {
    if (library) FreeLibrary(reinterpret_cast<HMODULE>(library));
}

bool ChangeDirectory(const std::string &path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

bool MakeDirectories(const std::string &path) {
    if (path.empty()) return false;
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            // Skip drive roots ("C:") and the leading separators of UNC paths.
            bool root = partial.empty() || (partial.size() == 2 && partial[1] == ':') ||
                        (partial.size() == 3 && partial[1] == ':' && IsSeparator(partial[2]));
            if (!root && !CreateDirectoryA(partial.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        }
        if (i < path.size()) partial += path[i];
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyRegularFile(const std::string &from, const std::string &to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

long long RegularFileSize(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsAbsolutePath(const std::string &path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    return path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]);
}

std::string AbsolutePath(const std::string &path) {
    char buffer[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return path;
    return std::string(buffer, length);
}

std::string ExecutableDirectory() {
    char buffer[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return ".";
    std::string result(buffer, length);
    size_t slash = result.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : result.substr(0, slash);
}

// The C runtime's heap is not counted here (the soak runs on Linux).
long long HeapBytesInUse() { return -1; }

int OpenFileCount() {
    DWORD handles = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &handles) ? static_cast<int>(handles) : -1;
}

double MonotonicSeconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void SetEnvironment(const char *name, const std::string &value) {
    SetEnvironmentVariableA(name, value.c_str());
    _putenv_s(name, value.c_str());
}

void SleepSeconds(double seconds) {
    if (seconds <= 0) return;
    double milliseconds = seconds * 1000.0;
    DWORD whole = milliseconds < 1.0 ? 1 : static_cast<DWORD>(milliseconds + 0.5);
    Sleep(whole);
}

int PumpMessages() {
    int threadTimers = 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) ++threadTimers;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return threadTimers;
}

bool HasMessageQueue() { return true; }

// The Microsoft C runtime has no line buffering: _IOLBF means full buffering.
void PrepareConsoleOutput() { setvbuf(stdout, nullptr, _IONBF, 0); }

}  // namespace hostos
}  // namespace hostsim
