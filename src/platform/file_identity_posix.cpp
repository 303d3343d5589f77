// A file's identity from the kernel on POSIX (see file_identity_posix.h).
#include "platform/file_identity_posix.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

#include "platform/fault_points.h"
#include "platform/file_system.h"

namespace platform {

namespace {

#ifndef SYS_statx
#  if defined(__i386__)
#    define SYS_statx 383
#  elif defined(__x86_64__)
#    define SYS_statx 332
#  elif defined(__aarch64__)
#    define SYS_statx 291
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

}  // namespace

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
void UseLegacyStatForTests(bool legacy) { s_legacyStat = legacy; }

}  // namespace platform
