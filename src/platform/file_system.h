// Directory searches and the integrity mark of the resource database files.
// file_system_win32.cpp implements them with the Win32 API, file_system_posix.cpp
// with POSIX and raw kernel calls.  Nothing outside src/platform includes an
// OS header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace platform {

// The plugin's file streams (standard C streams on every platform; see
// file_stream.cpp).  Reading goes through the stream library directly.
std::FILE *OpenStream(const char *path, const char *mode);
// Writes every byte; false when any could not be written (disk full).
bool WriteStream(std::FILE *stream, const char *data, std::size_t size);
// Closes the stream; false when its buffered bytes could not be written.
bool CloseStream(std::FILE *stream);

// Creates a new file for writing; fails when the name is taken, so two
// processes never share it (POSIX: open with O_CREAT | O_EXCL; Windows:
// CreateFile with CREATE_NEW).  A link in the path's place is never followed:
// the name counts as taken (POSIX: O_NOFOLLOW; Windows:
// FILE_FLAG_OPEN_REPARSE_POINT).  *nameTaken tells that failure from others.
// text: the C library's text mode (Windows line ends).
std::FILE *CreateExclusiveStream(const char *path, bool text, bool *nameTaken);

// A file written whole or not at all, also while other processes write the
// same path (servers started from one game directory).  Begin creates
// "<path>.<process id>.tmp" beside the file (in the same directory, so on
// the same file system), exclusively; when that name is taken (a file left
// by an ended process that had the same id, or a process with the same id
// in another PID namespace sharing the directory) it takes
// "<path>.<process id>.<n>.tmp", n = 1 to 99.  It never removes a file it
// did not create, except the temporary files of this path whose process has
// ended (what a process killed half-way leaves behind).  Write appends to
// it; Commit flushes it to the disk, closes it and renames it over the path
// in one step, replacing an existing file (Windows: MoveFileEx with
// MOVEFILE_REPLACE_EXISTING and MOVEFILE_WRITE_THROUGH; POSIX: rename).
// When any step fails, or the object goes away uncommitted, the temporary
// file is removed and the path keeps what it had (or what another process
// put there meanwhile).
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile() { Abandon(); }
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // text: written in the C library's text mode (Windows line ends).
    // False when the path is too long or the temporary file cannot be made.
    // The same object may write several paths, one after the other.
    // removeEnded: first remove the temporary files of this path left by
    // ended processes (a directory search; a file rewritten every few
    // seconds does it only now and then).
    bool Begin(const char *path, bool text, bool removeEnded = true);
    // False once any write failed (the failure is kept for Commit).
    bool Write(const char *data, std::size_t size);
    bool Print(const char *text);
    // True when the whole file is in place.  Durable: flushed to the disk,
    // then moved into place (MoveIntoPlace).  Swapped: not flushed, put in
    // place with SwapIntoPlace, for a file rewritten every few seconds that
    // readers only need whole; a refused swap is tried again twice, a
    // millisecond apart (Windows refuses to replace a file another process
    // holds open for the moment of a read).
    enum class Landing { Durable, Swapped };
    bool Commit(Landing landing = Landing::Durable);
    // Removes the temporary file; the path keeps what it had.
    void Abandon();

private:
    static constexpr std::size_t kPathSize = 1024;
    std::FILE *m_stream = nullptr;
    bool m_failed = false;
    char m_path[kPathSize] = {};
    // ".", the process id (at most 20 digits), ".", n and ".tmp".
    char m_temporary[kPathSize + 32] = {};
};

// The backends' parts of Commit: flush the stream's written bytes to the disk
// (fsync; Windows: _commit), and rename a finished file over another.
bool SyncStream(std::FILE *stream);
// The id of this process (getpid; Windows: GetCurrentProcessId).
unsigned long CurrentProcessId();
// False only when no process has the id (POSIX: kill(id, 0) fails with
// ESRCH; Windows: the process cannot be opened as missing, or has exited).
bool ProcessRunning(unsigned long id);
// Removes the temporary files of the path ("<path>.<id>.tmp",
// "<path>.<id>.<n>.tmp") whose process has ended: what a process killed
// while writing leaves behind.
void RemoveEndedTemporaries(const char *path);
// Neither MoveIntoPlace nor SwapIntoPlace follows a link in the destination's
// place: the link itself is replaced (Windows: a reparse point there is
// removed first), never the file it points to.
bool MoveIntoPlace(const char *from, const char *to);
// Puts a finished file in another's place in one step, for a file rewritten
// often and read by other processes: a reader opens the old file or the new
// one, whole.  Unlike MoveIntoPlace it does not wait for the disk.  Linux:
// when a regular file is in the way, the two are exchanged (renameat2 with
// RENAME_EXCHANGE) and the old one, now under `from`, is removed; ext4 would
// otherwise start writing the new file's data out at a rename over another
// file, which takes a few hundred microseconds.  Elsewhere, and when the
// kernel or the file system cannot exchange: a rename.  Windows: MoveFileEx
// replacing the file.
bool SwapIntoPlace(const char *from, const char *to);

// The longest file name a directory search returns, with its terminator:
// MAX_PATH on Windows (cFileName), NAME_MAX + 1 on POSIX fits as well.
constexpr int kFileNameSize = 260;

struct DirectoryEntry {
    char name[kFileNameSize];  // no directory, with its extension
    uint64_t size;             // length in bytes from the directory entry; 0 for a directory
};

// Lists the entries of the directory whose names match the pattern: "*" and a
// suffix ("*.mdl"), or a plain name; the match ignores ASCII case, as Windows
// does.  Directories that match are listed too (with size 0), as the Windows
// search returns them.  The result is sorted the way NTFS shows a directory,
// on every platform and every file system, so that the database files and
// the logs come out the same everywhere: names compared byte by byte with
// the ASCII letters folded to upper case (NTFS's collation; so "_" sorts
// after the letters), ties between names differing only in case broken by
// plain byte order.  Returns false (and no entries) when the directory
// cannot be searched; a directory without matches gives true and no entries.
bool FindFiles(const char *directory, const char *pattern, std::vector<DirectoryEntry> *entries);

// The order FindFiles sorts by: negative, 0 or positive like strcmp.
inline int CompareFileNames(const char *first, const char *second) {
    const unsigned char *a = reinterpret_cast<const unsigned char *>(first);
    const unsigned char *b = reinterpret_cast<const unsigned char *>(second);
    int tie = 0;
    for (;; ++a, ++b) {
        const int ca = (*a >= 'a' && *a <= 'z') ? *a - 'a' + 'A' : *a;
        const int cb = (*b >= 'a' && *b <= 'z') ? *b - 'a' + 'A' : *b;
        if (ca != cb) return ca - cb;
        if (tie == 0) tie = static_cast<int>(*a) - static_cast<int>(*b);
        if (*a == '\0') return tie;
    }
}

// True when the name matches the pattern of FindFiles.
inline bool MatchesPattern(const char *name, const char *pattern) {
    std::size_t nameLength = 0, patternLength = 0;
    while (name[nameLength] != '\0') ++nameLength;
    while (pattern[patternLength] != '\0') ++patternLength;
    const bool wildcard = patternLength > 0 && pattern[0] == '*';
    const char *tail = wildcard ? pattern + 1 : pattern;
    const std::size_t tailLength = wildcard ? patternLength - 1 : patternLength;
    if (nameLength < tailLength || (!wildcard && nameLength != tailLength)) return false;
    const char *end = name + (nameLength - tailLength);
    for (std::size_t i = 0; i < tailLength; ++i) {
        const char a = (end[i] >= 'a' && end[i] <= 'z') ? static_cast<char>(end[i] - 'a' + 'A') : end[i];
        const char b = (tail[i] >= 'a' && tail[i] <= 'z') ? static_cast<char>(tail[i] - 'a' + 'A') : tail[i];
        if (a != b) return false;
    }
    return true;
}

// The integrity mark of a database file.  Windows: the file attributes set to
// exactly read-only plus system (5).  POSIX: mode 0444 plus a record of the
// file's identity (see file_system_posix.cpp).  SetDatabaseMark sets it after
// the file has been written and closed; false when it cannot, and the file is
// then left as it was (writable, no record).  ReadDatabaseMark: Intact when
// the mark is exactly as the build left it; Unmarkable when the file carries
// no mark because its file system cannot keep one (POSIX only: a file system
// that ignores chmod, or keeps neither an extended attribute nor a companion
// file), so it can only be built again; Damaged otherwise.
enum class MarkState { Intact, Damaged, Unmarkable };
bool SetDatabaseMark(const char *path);
MarkState ReadDatabaseMark(const char *path);
inline bool HasDatabaseMark(const char *path) { return ReadDatabaseMark(path) == MarkState::Intact; }
// True when the file exists and is read-only (Windows: the read-only
// attribute; POSIX: no write permission bit at all).  A build never opens
// such a file for writing, even where the process could (root).
bool IsReadOnlyFile(const char *path);

// POSIX tests only: use the older stat system calls instead of statx, so that
// both ways of reading a file's identity are exercised.  No effect on Windows.
void UseLegacyStatForTests(bool legacy);

}  // namespace platform
