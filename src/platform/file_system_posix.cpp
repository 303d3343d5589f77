// Directory searches and the database mark on POSIX.
//
// The deployable i386 library must not bind symbols newer than GLIBC 2.28, and
// current C libraries route stat, fstat and lstat to GLIBC_2.33 entry points.
// This file therefore never calls them: a file's identity comes from the
// kernel directly, through statx (Linux 4.11 and later) or, where the kernel
// lacks it, the older stat64 (i386) or stat (x86_64) system calls with the
// kernel's own record layouts.  opendir, readdir64, chmod, unlink, fopen and
// syscall are all old symbols.
//
// The mark.  Windows marks a database file by setting its attributes to
// exactly read-only plus system (5) and calls it intact while they still
// equal 5: copying the file, restoring it from a backup (archive flag),
// hiding it or making it writable all change the value.  POSIX files have no
// such attributes, so the mark is the file's mode made exactly 0444 plus its
// identity recorded right after: device, inode, mode, size, modification
// time and status-change time (seconds and nanoseconds).  The record is kept
// in a hidden companion file ".<name>.mark" beside the database file, written
// last.  The check reads the identity again and compares every field exactly,
// so that
//   - a copy or a restore gets a new inode (and new times): damaged;
//   - a permission change alters the mode, and a change made and undone
//     still moves the status-change time: damaged;
//   - a rename, a hard link, a change of owner or times moves the
//     status-change time, and a renamed file has no companion under its new
//     name: damaged;
//   - a rewrite changes size or modification time: damaged.
// Like the attribute value on Windows, the content itself is never read.
// Read-only mode 0444 stands for the read-only attribute: a later build
// refuses to open such a file for writing (IsReadOnlyFile), also where the
// server runs as root and the open itself would succeed.
#include "platform/file_system.h"
#include "platform/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

// ------------------------------------------------------------------ kernel records

#ifndef SYS_statx
#  if defined(__i386__)
#    define SYS_statx 383
#  elif defined(__x86_64__)
#    define SYS_statx 332
#  endif
#endif

constexpr unsigned int kStatxBasicStats = 0x7ffu;
constexpr int kAtFdCwd = -100;
constexpr int kAtSymlinkNoFollow = 0x100;

struct KernelTimestamp {
    int64_t tv_sec;
    uint32_t tv_nsec;
    int32_t reserved;
};

// struct statx of <linux/stat.h>.
struct KernelStatx {
    uint32_t stx_mask;
    uint32_t stx_blksize;
    uint64_t stx_attributes;
    uint32_t stx_nlink;
    uint32_t stx_uid;
    uint32_t stx_gid;
    uint16_t stx_mode;
    uint16_t spare0;
    uint64_t stx_ino;
    uint64_t stx_size;
    uint64_t stx_blocks;
    uint64_t stx_attributes_mask;
    KernelTimestamp stx_atime, stx_btime, stx_ctime, stx_mtime;
    uint32_t stx_rdev_major, stx_rdev_minor;
    uint32_t stx_dev_major, stx_dev_minor;
    uint64_t spare2[14];
};
static_assert(sizeof(KernelStatx) == 256, "struct statx is 256 bytes");

#if defined(__i386__)
// struct stat64 of the i386 kernel (SYS_stat64, SYS_lstat64).
struct KernelStat {
    uint64_t st_dev;
    uint8_t pad0[4];
    uint32_t st_ino_low;
    uint32_t st_mode;
    uint32_t st_nlink;
    uint32_t st_uid;
    uint32_t st_gid;
    uint64_t st_rdev;
    uint8_t pad3[4];
    int64_t st_size;
    uint32_t st_blksize;
    uint64_t st_blocks;
    uint32_t st_atime_sec, st_atime_nsec;
    uint32_t st_mtime_sec, st_mtime_nsec;
    uint32_t st_ctime_sec, st_ctime_nsec;
    uint64_t st_ino;
};
static_assert(sizeof(KernelStat) == 96, "i386 struct stat64 is 96 bytes");
constexpr long kSysStat = 195;   // SYS_stat64
constexpr long kSysLstat = 196;  // SYS_lstat64
#  define ZK_HAVE_LEGACY_STAT 1
#elif defined(__x86_64__)
// struct stat of the x86_64 kernel (SYS_stat, SYS_lstat).
struct KernelStat {
    uint64_t st_dev;
    uint64_t st_ino;
    uint64_t st_nlink;
    uint32_t st_mode;
    uint32_t st_uid;
    uint32_t st_gid;
    uint32_t pad0;
    uint64_t st_rdev;
    int64_t st_size;
    int64_t st_blksize;
    int64_t st_blocks;
    uint64_t st_atime_sec, st_atime_nsec;
    uint64_t st_mtime_sec, st_mtime_nsec;
    uint64_t st_ctime_sec, st_ctime_nsec;
    int64_t unused[3];
};
static_assert(sizeof(KernelStat) == 144, "x86_64 struct stat is 144 bytes");
constexpr long kSysStat = 4;   // SYS_stat
constexpr long kSysLstat = 6;  // SYS_lstat
#  define ZK_HAVE_LEGACY_STAT 1
#endif

// What the mark records of a file.
struct FileIdentity {
    uint32_t devMajor;
    uint32_t devMinor;
    uint64_t ino;
    uint32_t mode;  // file type and permission bits
    uint64_t size;
    int64_t mtimeSec;
    uint32_t mtimeNsec;
    int64_t ctimeSec;
    uint32_t ctimeNsec;
};

bool s_legacyStat = false;  // set when the kernel has no statx, or by tests

#if defined(ZK_HAVE_LEGACY_STAT)
bool LegacyIdentity(const char *path, bool followLinks, FileIdentity *out) {
    KernelStat st;
    std::memset(&st, 0, sizeof(st));
    if (syscall(followLinks ? kSysStat : kSysLstat, path, &st) != 0) return false;
    // The kernel's device encoding (new_encode_dev).
    const uint64_t dev = st.st_dev;
    out->devMajor = static_cast<uint32_t>((dev & 0xfff00u) >> 8);
    out->devMinor = static_cast<uint32_t>((dev & 0xffu) | ((dev >> 12) & 0xfff00u));
    out->ino = st.st_ino;
    out->mode = st.st_mode;
    out->size = static_cast<uint64_t>(st.st_size);
    out->mtimeSec = static_cast<int64_t>(st.st_mtime_sec);
    out->mtimeNsec = static_cast<uint32_t>(st.st_mtime_nsec);
    out->ctimeSec = static_cast<int64_t>(st.st_ctime_sec);
    out->ctimeNsec = static_cast<uint32_t>(st.st_ctime_nsec);
    return true;
}
#endif

bool ReadIdentity(const char *path, bool followLinks, FileIdentity *out) {
    if (path == nullptr || *path == '\0') return false;
#if defined(SYS_statx)
    if (!s_legacyStat) {
        KernelStatx sx;
        std::memset(&sx, 0, sizeof(sx));
        if (syscall(SYS_statx, kAtFdCwd, path, followLinks ? 0 : kAtSymlinkNoFollow, kStatxBasicStats, &sx) == 0) {
            out->devMajor = sx.stx_dev_major;
            out->devMinor = sx.stx_dev_minor;
            out->ino = sx.stx_ino;
            out->mode = sx.stx_mode;
            out->size = sx.stx_size;
            out->mtimeSec = sx.stx_mtime.tv_sec;
            out->mtimeNsec = sx.stx_mtime.tv_nsec;
            out->ctimeSec = sx.stx_ctime.tv_sec;
            out->ctimeNsec = sx.stx_ctime.tv_nsec;
            return true;
        }
        if (errno != ENOSYS) return false;
        s_legacyStat = true;
    }
#endif
#if defined(ZK_HAVE_LEGACY_STAT)
    return LegacyIdentity(path, followLinks, out);
#else
    return false;
#endif
}

bool IsRegular(uint32_t mode) { return (mode & S_IFMT) == S_IFREG; }
bool IsDirectory(uint32_t mode) { return (mode & S_IFMT) == S_IFDIR; }

// "<dir>/.<name>.mark" for "<dir>/<name>".
bool CompanionPath(const char *path, char *out, std::size_t size) {
    const char *slash = std::strrchr(path, '/');
    const int directoryLength = slash != nullptr ? static_cast<int>(slash - path + 1) : 0;
    const char *name = path + directoryLength;
    if (*name == '\0') return false;
    const int written = std::snprintf(out, size, "%.*s.%s.mark", directoryLength, path, name);
    return written > 0 && static_cast<std::size_t>(written) < size;
}

// The companion's one line.
void IdentityText(const FileIdentity &id, char *out, std::size_t size) {
    std::snprintf(out, size, "kts-mark %u:%u %llu %o %llu %lld.%09u %lld.%09u\n", id.devMajor, id.devMinor,
                  static_cast<unsigned long long>(id.ino), id.mode, static_cast<unsigned long long>(id.size),
                  static_cast<long long>(id.mtimeSec), id.mtimeNsec, static_cast<long long>(id.ctimeSec),
                  id.ctimeNsec);
}

constexpr uint32_t kMarkMode = S_IFREG | 0444;
constexpr std::size_t kPathSize = 4096;
constexpr std::size_t kMarkTextSize = 192;

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

// ------------------------------------------------------------------ the mark

bool SetDatabaseMark(const char *path) {
    char companion[kPathSize];
    if (path == nullptr || !CompanionPath(path, companion, sizeof(companion))) return false;
    FileIdentity id;
    if (!ReadIdentity(path, false, &id) || !IsRegular(id.mode) || chmod(path, 0444) != 0) return false;
    if (!ReadIdentity(path, false, &id) || id.mode != kMarkMode) return false;
    char text[kMarkTextSize];
    IdentityText(id, text, sizeof(text));
    unlink(companion);  // an earlier companion may itself be read-only
    std::FILE *file = std::fopen(companion, "w");
    if (file == nullptr) return false;
    const bool written = std::fputs(text, file) >= 0;
    return std::fclose(file) == 0 && written;
}

bool HasDatabaseMark(const char *path) {
    char companion[kPathSize];
    if (path == nullptr || !CompanionPath(path, companion, sizeof(companion))) return false;
    FileIdentity id;
    if (!ReadIdentity(path, false, &id) || id.mode != kMarkMode) return false;
    char expected[kMarkTextSize], recorded[kMarkTextSize + 2];
    IdentityText(id, expected, sizeof(expected));
    std::FILE *file = std::fopen(companion, "r");
    if (file == nullptr) return false;
    const std::size_t length = std::fread(recorded, 1, sizeof(recorded) - 1, file);
    std::fclose(file);
    recorded[length] = '\0';
    return std::strcmp(recorded, expected) == 0;
}

bool IsReadOnlyFile(const char *path) {
    FileIdentity id;
    if (!ReadIdentity(path, true, &id) || IsDirectory(id.mode)) return false;
    return (id.mode & 0222) == 0;
}

// By the path's status, not a search: a directory that can be written into
// but not listed (mode 0333) exists as well.
bool DirectoryExists(const char *path) {
    FileIdentity id;
    return ReadIdentity(path, true, &id) && IsDirectory(id.mode);
}

void UseLegacyStatForTests(bool legacy) { s_legacyStat = legacy; }

}  // namespace platform
