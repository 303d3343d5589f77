// The integrity mark of the resource database files on POSIX.
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

#include <errno.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/fault_points.h"
#include "platform/file_identity_posix.h"

namespace platform {

namespace {

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

}  // namespace platform
