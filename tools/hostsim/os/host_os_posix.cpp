// POSIX implementation of the simulator's OS layer.
#include "os/host_os.h"

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <malloc.h>

#include <cstdio>
#include <vector>

// The address sanitizer's heap count, present when hostsim runs under it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace hostsim {
namespace hostos {

const char kPathSeparator = '/';
#if defined(__x86_64__)
const char *const kGameLibraryFileName = "cs_amd64.so";
#elif defined(__aarch64__)
const char *const kGameLibraryFileName = "cs_arm64.so";
#else
const char *const kGameLibraryFileName = "cs_i386.so";
#endif
const char *const kStubGameFileName = "stub_game.so";

void *OpenLibrary(const std::string &path, std::string *error) {
    dlerror();
    void *library = dlopen(path.c_str(), RTLD_NOW);
    if (!library && error) {
        const char *text = dlerror();
        *error = text ? text : "dlopen failed";
    }
    return library;
}

void *FindSymbol(void *library, const char *name) { return library ? dlsym(library, name) : nullptr; }

void CloseLibrary(void *library) {
    if (library) dlclose(library);
}

bool ChangeDirectory(const std::string &path) { return chdir(path.c_str()) == 0; }

bool MakeDirectories(const std::string &path) {
    if (path.empty()) return false;
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (!partial.empty() && partial != "/") {
                if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
            }
        }
        if (i < path.size()) partial += path[i];
    }
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CopyRegularFile(const std::string &from, const std::string &to) {
    int in = open(from.c_str(), O_RDONLY);
    if (in < 0) return false;
    std::string temporary = to + ".part";
    int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0755);
    if (out < 0) {
        close(in);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                ok = false;
                break;
            }
            done += put;
        }
        if (!ok) break;
    }
    close(in);
    if (close(out) != 0) ok = false;
    // Renaming over the old file keeps a library that is still mapped intact.
    if (ok) ok = rename(temporary.c_str(), to.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}

long long RegularFileSize(const std::string &path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long long>(info.st_size);
}

bool IsAbsolutePath(const std::string &path) { return !path.empty() && path[0] == '/'; }

std::string AbsolutePath(const std::string &path) {
    if (IsAbsolutePath(path)) return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return path;
    std::string result = cwd;
    if (path.empty() || path == ".") return result;
    if (result.back() != '/') result += '/';
    return result + path;
}

std::string ExecutableDirectory() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string result(path, static_cast<size_t>(length));
    size_t slash = result.rfind('/');
    return slash == std::string::npos ? std::string(".") : result.substr(0, slash == 0 ? 1 : slash);
}

long long HeapBytesInUse() {
    if (&__sanitizer_get_current_allocated_bytes != nullptr)
        return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    return static_cast<long long>(mallinfo2().uordblks);
#else
    return -1;
#endif
}

int OpenFileCount() {
    DIR *directory = opendir("/proc/self/fd");
    if (directory == nullptr) return -1;
    int count = 0;
    while (const dirent *entry = readdir(directory))
        if (entry->d_name[0] != '.') ++count;
    closedir(directory);
    return count - 1;  // the listing's own descriptor
}

double MonotonicSeconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void SetEnvironment(const char *name, const std::string &value) { setenv(name, value.c_str(), 1); }

void SleepSeconds(double seconds) {
    if (seconds <= 0) return;
    struct timespec request;
    request.tv_sec = static_cast<time_t>(seconds);
    request.tv_nsec = static_cast<long>((seconds - static_cast<double>(request.tv_sec)) * 1e9);
    if (request.tv_nsec > 999999999L) request.tv_nsec = 999999999L;
    struct timespec remaining;
    while (nanosleep(&request, &remaining) != 0 && errno == EINTR) request = remaining;
}

int PumpMessages() { return 0; }

bool HasMessageQueue() { return false; }

void PrepareConsoleOutput() { setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); }

}  // namespace hostos
}  // namespace hostsim
