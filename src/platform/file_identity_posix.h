// A file's identity read from the kernel on POSIX (statx, or the older stat
// system calls), for the database mark and the directory searches.
//
// The deployable i386 library must not bind symbols newer than GLIBC 2.28, and
// current C libraries route stat, fstat and lstat to GLIBC_2.33 entry points.
// The POSIX backend therefore never calls them: a file's identity comes from
// the kernel directly, through statx (Linux 4.11 and later) or, where the
// kernel lacks it, the older stat64 (i386), stat (x86_64) or newfstatat
// (aarch64, which has no stat call) system calls with the kernel's own record
// layouts.  opendir, readdir64, chmod, unlink, fopen and syscall are all old
// symbols.  Only the POSIX backend includes this header.
#pragma once

#include <cstdint>

namespace platform {

// What the mark records of a file.
struct FileIdentity {
    uint64_t ino;
    uint32_t links;
    uint32_t mode;  // file type and permission bits
    uint64_t size;
    int64_t mtimeSec;
    uint32_t mtimeNsec;
};

// The file's identity; without followLinks, a link's own.
bool ReadIdentity(const char *path, bool followLinks, FileIdentity *out);
bool IsRegular(uint32_t mode);
bool IsDirectory(uint32_t mode);

}  // namespace platform
