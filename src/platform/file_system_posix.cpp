// Directory searches and the database mark on POSIX.
//
// The deployable i386 library must not bind symbols newer than GLIBC 2.28, and
// current C libraries route stat, fstat and lstat to GLIBC_2.33 entry points.
// This file therefore never calls them: a file's identity comes from the
// kernel directly, through statx (Linux 4.11 and later) or, where the kernel
// lacks it, the older stat64 (i386), stat (x86_64) or newfstatat (aarch64,
// which has no stat call) system calls with the kernel's own record layouts.
// opendir, readdir64, chmod, unlink, fopen and syscall are all old symbols.
//
// The mark.  Windows marks a database file by setting its attributes to
// exactly read-only plus system (5) and calls it intact while they still
// equal 5: copying the file, restoring it from a backup (archive flag),
// hiding it or making it writable all change the value, and nothing else
// does.  POSIX files have no such attributes, so the mark is the file's mode
// made exactly 0444 plus a record of what identifies the file and its
// content: inode number, link count, mode, size, modification time (to the
// nanosecond) and name.  The record is kept where a copy does not take it
// along: in the extended attribute "user.zeq_kestrin.mark" of the file
// itself, or, where the file system keeps no extended attributes, in a
// hidden companion file ".<name>.mark" beside it.  The check reads the
// identity again and compares the record exactly, so that
//   - a copy or a restore (also "cp -a", which takes the attribute along)
//     gets a new inode: damaged;
//   - a permission change alters the mode: damaged while it lasts;
//   - a rename changes the name, a hard link the link count: damaged;
//   - an edit or a "touch" changes size or modification time: damaged.
// The device number and the status-change time are left out: both change
// without anyone touching the file (a remount under another device number,
// a "chown -R" of the game directory), which must not damage it.  So a
// permission change made and undone goes unseen, as clearing and setting the
// read-only attribute again does on Windows.  The content itself is never
// read.  A file that cannot be marked (a file system that ignores chmod, or
// keeps neither an attribute nor a companion file) keeps its mode and no
// record; the check tells such a file apart from one whose mark was lost by
// trying to mark a probe file beside it.
// Read-only mode 0444 stands for the read-only attribute: a later build
// refuses to open such a file for writing (IsReadOnlyFile), also where the
// server runs as root and the open itself would succeed.
#include "platform/file_system.h"
#include "platform/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/fault_points.h"

namespace platform {

namespace {

// ------------------------------------------------------------------ kernel records

#ifndef SYS_statx
#  if defined(__i386__)
#    define SYS_statx 383
#  elif defined(__x86_64__)
#    define SYS_statx 332
#  elif defined(__aarch64__)
#    define SYS_statx 291
#  endif
#endif

#ifndef SYS_renameat2
#  if defined(__i386__)
#    define SYS_renameat2 353
#  elif defined(__x86_64__)
#    define SYS_renameat2 316
#  elif defined(__aarch64__)
#    define SYS_renameat2 276
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
#elif defined(__aarch64__)
// struct stat of the generic kernel layout aarch64 uses (SYS_newfstatat: the
// architecture has no stat or lstat call, so the path is taken relative to
// the working directory with AT_FDCWD).
struct KernelStat {
    uint64_t st_dev;
    uint64_t st_ino;
    uint32_t st_mode;
    uint32_t st_nlink;
    uint32_t st_uid;
    uint32_t st_gid;
    uint64_t st_rdev;
    uint64_t pad1;
    int64_t st_size;
    int32_t st_blksize;
    int32_t pad2;
    int64_t st_blocks;
    int64_t st_atime_sec;
    uint64_t st_atime_nsec;
    int64_t st_mtime_sec;
    uint64_t st_mtime_nsec;
    int64_t st_ctime_sec;
    uint64_t st_ctime_nsec;
    uint32_t unused4, unused5;
};
static_assert(sizeof(KernelStat) == 128, "aarch64 struct stat is 128 bytes");
constexpr long kSysNewFstatAt = 79;  // SYS_newfstatat
#  define ZK_HAVE_LEGACY_STAT 1
#else
#  error "a kernel without statx needs the older stat call: add this processor's struct stat"
#endif

// What the mark records of a file.
struct FileIdentity {
    uint64_t ino;
    uint32_t links;
    uint32_t mode;  // file type and permission bits
    uint64_t size;
    int64_t mtimeSec;
    uint32_t mtimeNsec;
};

bool s_legacyStat = false;  // set when the kernel has no statx, or by tests

#if defined(ZK_HAVE_LEGACY_STAT)
bool LegacyIdentity(const char *path, bool followLinks, FileIdentity *out) {
    KernelStat st;
    std::memset(&st, 0, sizeof(st));
#  if defined(__aarch64__)
    if (syscall(kSysNewFstatAt, kAtFdCwd, path, &st, followLinks ? 0 : kAtSymlinkNoFollow) != 0) return false;
#  else
    if (syscall(followLinks ? kSysStat : kSysLstat, path, &st) != 0) return false;
#  endif
    out->ino = st.st_ino;
    out->links = static_cast<uint32_t>(st.st_nlink);
    out->mode = st.st_mode;
    out->size = static_cast<uint64_t>(st.st_size);
    out->mtimeSec = static_cast<int64_t>(st.st_mtime_sec);
    out->mtimeNsec = static_cast<uint32_t>(st.st_mtime_nsec);
    return true;
}
#endif

bool ReadIdentity(const char *path, bool followLinks, FileIdentity *out) {
    if (path == nullptr || *path == '\0') return false;
#if defined(SYS_statx)
    if (!s_legacyStat) {
        KernelStatx sx;
        std::memset(&sx, 0, sizeof(sx));
        // The fault point stands for a kernel before 4.11, which has no statx.
        const long result = FaultFires(FaultPoint::NoStatx)
                                ? (errno = ENOSYS, -1L)
                                : syscall(SYS_statx, kAtFdCwd, path, followLinks ? 0 : kAtSymlinkNoFollow,
                                          kStatxBasicStats, &sx);
        if (result == 0) {
            out->ino = sx.stx_ino;
            out->links = sx.stx_nlink;
            out->mode = sx.stx_mode;
            out->size = sx.stx_size;
            out->mtimeSec = sx.stx_mtime.tv_sec;
            out->mtimeNsec = sx.stx_mtime.tv_nsec;
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

constexpr uint32_t kMarkMode = S_IFREG | 0444;
constexpr std::size_t kPathSize = 4096;
constexpr std::size_t kMarkTextSize = 512;
const char kMarkAttribute[] = "user.zeq_kestrin.mark";

const char *BaseName(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// "<dir>/.<name><suffix>" for "<dir>/<name>".
bool HiddenSibling(const char *path, const char *suffix, char *out, std::size_t size) {
    const char *name = BaseName(path);
    if (*name == '\0') return false;
    const int written =
        std::snprintf(out, size, "%.*s.%s%s", static_cast<int>(name - path), path, name, suffix);
    return written > 0 && static_cast<std::size_t>(written) < size;
}

// The record of a file's identity under its name.
void RecordText(const FileIdentity &id, const char *name, char *out, std::size_t size) {
    std::snprintf(out, size, "zk-mark %llu %u %o %llu %lld.%09u %s\n", static_cast<unsigned long long>(id.ino),
                  id.links, id.mode, static_cast<unsigned long long>(id.size), static_cast<long long>(id.mtimeSec),
                  id.mtimeNsec, name);
}

// Records written by the earlier Linux version (companion files only) also
// named the device and the status-change time, which change without anyone
// touching the file: those two fields are taken as recorded, the others
// compared, so that an upgrade does not report every database as damaged.
bool EarlierRecordMatches(const char *recorded, const FileIdentity &id) {
    static const char kPrefix[] = "kts-mark ";
    if (std::strncmp(recorded, kPrefix, sizeof(kPrefix) - 1) != 0) return false;
    const char *device = recorded + sizeof(kPrefix) - 1;
    const char *deviceEnd = std::strchr(device, ' ');
    const char *statusTime = std::strrchr(recorded, ' ');  // with its blank and line end
    if (deviceEnd == nullptr || statusTime <= deviceEnd) return false;
    char expected[kMarkTextSize];
    std::snprintf(expected, sizeof(expected), "%s%.*s %llu %o %llu %lld.%09u%s", kPrefix,
                  static_cast<int>(deviceEnd - device), device, static_cast<unsigned long long>(id.ino), id.mode,
                  static_cast<unsigned long long>(id.size), static_cast<long long>(id.mtimeSec), id.mtimeNsec,
                  statusTime);
    return std::strcmp(expected, recorded) == 0;
}

bool WriteAttribute(const char *path, const char *text) {
    if (FaultFires(FaultPoint::ExtendedAttribute)) return false;
    return setxattr(path, kMarkAttribute, text, std::strlen(text), 0) == 0;
}

bool WriteCompanion(const char *companion, const char *text) {
    AtomicFile file;
    return file.Begin(companion, false) && file.Print(text) && file.Commit();
}

// The record kept for the file (its attribute, else its companion); false
// when it has none.
bool ReadRecord(const char *path, const char *companion, char *out, std::size_t size) {
    if (!FaultFires(FaultPoint::ExtendedAttribute)) {
        const ssize_t length = getxattr(path, kMarkAttribute, out, size - 1);
        if (length >= 0) {
            out[length] = '\0';
            return true;
        }
        if (errno == ERANGE) {  // longer than any record: not one of ours
            out[0] = '\0';
            return true;
        }
    }
    std::FILE *file = std::fopen(companion, "rb");
    if (file == nullptr) return false;
    const std::size_t length = std::fread(out, 1, size - 1, file);
    std::fclose(file);
    out[length] = '\0';
    return true;
}

// Removes both kinds of record (the attribute only goes while the file is
// writable, or for root).
void RemoveRecords(const char *path, const char *companion) {
    if (!FaultFires(FaultPoint::ExtendedAttribute)) removexattr(path, kMarkAttribute);
    unlink(companion);
}

bool MarkFile(const char *path);

// True when a file beside the path can be marked: the directory's file system
// honours chmod and keeps an attribute or a companion file.
bool DirectoryKeepsMarks(const char *path) {
    char probe[kPathSize], probeCompanion[kPathSize];
    if (!HiddenSibling(path, ".probe", probe, sizeof(probe)) ||
        !HiddenSibling(probe, ".mark", probeCompanion, sizeof(probeCompanion)))
        return false;
    unlink(probe);  // left read-only by a process stopped half-way
    std::FILE *file = std::fopen(probe, "wb");
    if (file == nullptr) return false;
    std::fclose(file);
    const bool kept = MarkFile(probe);
    unlink(probe);
    unlink(probeCompanion);
    return kept;
}

bool MarkFile(const char *path) {
    char companion[kPathSize];
    if (path == nullptr || !HiddenSibling(path, ".mark", companion, sizeof(companion))) return false;
    FileIdentity before;
    if (!ReadIdentity(path, false, &before) || !IsRegular(before.mode)) return false;
    RemoveRecords(path, companion);
    // chmod changes none of the recorded fields, so the record can be
    // written while the file is still writable (which a user's attribute
    // needs), and compared with the file once it is read-only.
    FileIdentity marked = before;
    marked.mode = kMarkMode;
    char text[kMarkTextSize], now[kMarkTextSize];
    RecordText(marked, BaseName(path), text, sizeof(text));
    const bool recorded = WriteAttribute(path, text) || WriteCompanion(companion, text);
    FileIdentity after;
    if (recorded && chmod(path, 0444) == 0 && ReadIdentity(path, false, &after)) {
        RecordText(after, BaseName(path), now, sizeof(now));
        if (std::strcmp(now, text) == 0) return true;
    }
    // Not marked: the file keeps its mode and no record, as it was.
    chmod(path, before.mode & 07777);
    RemoveRecords(path, companion);
    return false;
}

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

bool SetDatabaseMark(const char *path) { return MarkFile(path); }

MarkState ReadDatabaseMark(const char *path) {
    char companion[kPathSize];
    FileIdentity id;
    if (path == nullptr || !HiddenSibling(path, ".mark", companion, sizeof(companion)) ||
        !ReadIdentity(path, false, &id) || !IsRegular(id.mode))
        return MarkState::Damaged;
    char recorded[kMarkTextSize], expected[kMarkTextSize];
    if (ReadRecord(path, companion, recorded, sizeof(recorded))) {
        RecordText(id, BaseName(path), expected, sizeof(expected));
        const bool same = std::strcmp(recorded, expected) == 0 || EarlierRecordMatches(recorded, id);
        return id.mode == kMarkMode && same ? MarkState::Intact : MarkState::Damaged;
    }
    // No record.  Read-only: a copy of a marked file.  Writable: a file the
    // build could not mark, or one that lost its mark (a build cut short,
    // a copy that dropped the mode); only the probe tells them apart.
    if ((id.mode & 0222) == 0) return MarkState::Damaged;
    return DirectoryKeepsMarks(path) ? MarkState::Damaged : MarkState::Unmarkable;
}

bool IsReadOnlyFile(const char *path) {
    FileIdentity id;
    if (!ReadIdentity(path, true, &id) || IsDirectory(id.mode)) return false;
    return (id.mode & 0222) == 0;
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
    const int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

void UseLegacyStatForTests(bool legacy) { s_legacyStat = legacy; }

}  // namespace platform
