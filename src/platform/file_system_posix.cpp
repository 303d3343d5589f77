// Directory searches, exclusive file creation and renames on POSIX.  A
// file's identity comes from file_identity_posix.cpp, the database mark is in
// database_mark_posix.cpp.
#include "platform/file_system.h"
#include "platform/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/fault_points.h"
#include "platform/file_identity_posix.h"

namespace platform {

namespace {

#ifndef SYS_renameat2
#  if defined(__i386__)
#    define SYS_renameat2 353
#  elif defined(__x86_64__)
#    define SYS_renameat2 316
#  elif defined(__aarch64__)
#    define SYS_renameat2 276
#  endif
#endif

constexpr int kAtFdCwd = -100;
constexpr std::size_t kPathSize = 4096;

}  // namespace

// ------------------------------------------------------------------ directory search

bool FindFiles(const char *directory, const char *pattern, std::vector<DirectoryEntry> *entries) {
    entries->clear();
    if (directory == nullptr || pattern == nullptr) return false;
    DIR *dir = opendir(directory);
    if (dir == nullptr) return false;
    char path[kPathSize];
    for (;;) {
#if defined(__GLIBC__)
        const struct dirent64 *entry = readdir64(dir);
#else
        const struct dirent *entry = readdir(dir);
#endif
        if (entry == nullptr) break;
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (!MatchesPattern(name, pattern)) continue;
        if (std::strlen(name) >= static_cast<std::size_t>(kFileNameSize)) continue;  // longer than any Windows name
        DirectoryEntry found;
        std::memset(&found, 0, sizeof(found));
        std::memcpy(found.name, name, std::strlen(name) + 1);
        found.size = 0;
        const int written = std::snprintf(path, sizeof(path), "%s/%s", directory, name);
        FileIdentity id;
        // A dangling link or an entry removed meanwhile is listed with size 0.
        if (written > 0 && static_cast<std::size_t>(written) < sizeof(path) && ReadIdentity(path, true, &id) &&
            !IsDirectory(id.mode))
            found.size = id.size;
        entries->push_back(found);
    }
    closedir(dir);
    std::sort(entries->begin(), entries->end(), [](const DirectoryEntry &a, const DirectoryEntry &b) {
        return CompareFileNames(a.name, b.name) < 0;
    });
    return true;
}

bool SyncStream(std::FILE *stream) { return stream != nullptr && fsync(fileno(stream)) == 0; }

std::FILE *CreateExclusiveStream(const char *path, bool, bool *nameTaken) {
    if (nameTaken != nullptr) *nameTaken = false;
    if (path == nullptr || *path == '\0') return nullptr;
    if (FaultFires(FaultPoint::TemporaryTaken)) {
        if (nameTaken != nullptr) *nameTaken = true;
        return nullptr;
    }
    // The mode fopen gives a new file (0666 less the umask).
    const int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (nameTaken != nullptr) *nameTaken = errno == EEXIST;
        return nullptr;
    }
    std::FILE *stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        close(descriptor);
        unlink(path);
    }
    return stream;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool ProcessRunning(unsigned long id) {
    const pid_t pid = static_cast<pid_t>(id);
    if (pid <= 0 || static_cast<unsigned long>(pid) != id) return true;  // not a process id: left alone
    return kill(pid, 0) == 0 || errno != ESRCH;
}

// rename and the exchange act on directory entries: a link in the
// destination's place is itself replaced, never followed.
bool MoveIntoPlace(const char *from, const char *to) {
    return from != nullptr && to != nullptr && std::rename(from, to) == 0;
}

bool SwapIntoPlace(const char *from, const char *to) {
    if (from == nullptr || to == nullptr) return false;
#if defined(SYS_renameat2)
    constexpr unsigned int kRenameExchange = 2;
    FileIdentity existing{};
    if (ReadIdentity(to, false, &existing) && S_ISREG(existing.mode) &&
        syscall(SYS_renameat2, kAtFdCwd, from, kAtFdCwd, to, kRenameExchange) == 0) {
        unlink(from);  // the previous file
        return true;
    }
#endif
    return std::rename(from, to) == 0;
}

// By the path's status, not a search: a directory that can be written into
// but not listed (mode 0333) exists as well.
bool DirectoryExists(const char *path) {
    FileIdentity id;
    return ReadIdentity(path, true, &id) && IsDirectory(id.mode);
}

}  // namespace platform
