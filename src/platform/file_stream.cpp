// The plugin's file streams: standard C streams on every platform, opened,
// written and closed here so that the fault points can reach them; and the
// file written whole or not at all.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/fault_points.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace platform {

namespace {

constexpr int kMostTemporaryNames = 100;

// The process id in a temporary file name "<base>.<id>.tmp" or
// "<base>.<id>.<n>.tmp"; false for any other name.  Process ids have 32 bits
// on every platform.
bool TemporaryOwner(const char *name, const char *base, std::size_t baseLength, unsigned long *id) {
    if (std::strncmp(name, base, baseLength) != 0 || name[baseLength] != '.') return false;
    const char *p = name + baseLength + 1;
    uint64_t value = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > UINT32_MAX) return false;
    }
    if (digits == 0) return false;
    if (*p == '.' && p[1] >= '0' && p[1] <= '9')
        for (++p; *p >= '0' && *p <= '9';) ++p;
    if (std::strcmp(p, ".tmp") != 0) return false;
    *id = static_cast<unsigned long>(value);
    return true;
}

constexpr int kSwapAttempts = 3;

}  // namespace

void RemoveEndedTemporaries(const char *path) {
    const char *slash = std::strrchr(path, '/');
    const char *backslash = std::strrchr(path, '\\');
    if (backslash != nullptr && (slash == nullptr || backslash > slash)) slash = backslash;
    // The directory part, with its separator, is the prefix of every name.
    const std::size_t prefixLength = slash != nullptr ? static_cast<std::size_t>(slash - path) + 1 : 0;
    char directory[1024] = ".";
    if (prefixLength >= sizeof(directory)) return;
    if (prefixLength > 0) {
        // "/x" lies in "/", "dir/x" in "dir".
        const std::size_t length = prefixLength > 1 ? prefixLength - 1 : 1;
        std::memcpy(directory, path, length);
        directory[length] = '\0';
    }
    std::vector<DirectoryEntry> entries;
    if (!FindFiles(directory, "*.tmp", &entries)) return;
    const char *base = path + prefixLength;
    const std::size_t baseLength = std::strlen(base);
    const unsigned long self = CurrentProcessId();
    for (const DirectoryEntry &entry : entries) {
        unsigned long id = 0;
        if (!TemporaryOwner(entry.name, base, baseLength, &id) || id == self || ProcessRunning(id)) continue;
        char leftover[1024 + kFileNameSize];
        std::memcpy(leftover, path, prefixLength);
        std::snprintf(leftover + prefixLength, sizeof(leftover) - prefixLength, "%s", entry.name);
        std::remove(leftover);
    }
}

std::FILE *OpenStream(const char *path, const char *mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    const bool writing = std::strpbrk(mode, "wa+") != nullptr;
    if (FaultFires(writing ? FaultPoint::OpenForWriting : FaultPoint::OpenForReading)) return nullptr;
    return std::fopen(path, mode);
}

bool WriteStream(std::FILE *stream, const char *data, std::size_t size) {
    if (stream == nullptr) return false;
    if (FaultFires(FaultPoint::WriteStream)) {
        // Disk full: half of it reaches the file, the rest is refused.
        std::fwrite(data, 1, size / 2, stream);
        std::fflush(stream);
        return false;
    }
    return std::fwrite(data, 1, size, stream) == size && std::ferror(stream) == 0;
}

bool CloseStream(std::FILE *stream) {
    if (stream == nullptr) return false;
    return std::fclose(stream) == 0;
}

bool AtomicFile::Begin(const char *path, bool text, bool removeEnded) {
    Abandon();
    if (path == nullptr || *path == '\0') return false;
    const std::size_t length = std::strlen(path);
    if (length >= sizeof(m_path)) return false;
    std::memcpy(m_path, path, length + 1);
    m_failed = false;
    m_temporary[0] = '\0';
    if (FaultFires(FaultPoint::CreateTemporary)) return false;
    if (removeEnded) RemoveEndedTemporaries(path);
    const unsigned long id = CurrentProcessId();
    for (int n = 0; n < kMostTemporaryNames; ++n) {
        if (n == 0)
            std::snprintf(m_temporary, sizeof(m_temporary), "%s.%lu.tmp", path, id);
        else
            std::snprintf(m_temporary, sizeof(m_temporary), "%s.%lu.%d.tmp", path, id, n);
        bool taken = false;
        m_stream = CreateExclusiveStream(m_temporary, text, &taken);
        if (m_stream != nullptr) return true;
        if (!taken) break;
    }
    m_temporary[0] = '\0';  // not ours: never removed
    return false;
}

bool AtomicFile::Write(const char *data, std::size_t size) {
    if (m_stream == nullptr || m_failed || data == nullptr) return false;
    if (FaultFires(FaultPoint::WriteTemporary)) {
        // Disk full: half of it reaches the file, the rest is refused.
        std::fwrite(data, 1, size / 2, m_stream);
        std::fflush(m_stream);
        m_failed = true;
        return false;
    }
    if (std::fwrite(data, 1, size, m_stream) != size || std::ferror(m_stream) != 0) m_failed = true;
    return !m_failed;
}

bool AtomicFile::Print(const char *text) { return text != nullptr && Write(text, std::strlen(text)); }

bool AtomicFile::Commit(Landing landing) {
    if (m_stream == nullptr) return false;
    const bool durable = landing == Landing::Durable;
    bool complete = !m_failed && std::fflush(m_stream) == 0;
    if (durable && complete && FaultFires(FaultPoint::SyncTemporary)) complete = false;
    complete = complete && (!durable || SyncStream(m_stream));
    complete = std::fclose(m_stream) == 0 && complete;
    m_stream = nullptr;
    if (complete && FaultFires(FaultPoint::RenameTemporary)) complete = false;
    if (durable) {
        complete = complete && MoveIntoPlace(m_temporary, m_path);
    } else {
        bool moved = false;
        for (int attempt = 0; complete && !moved && attempt < kSwapAttempts; ++attempt) {
            if (attempt > 0) SleepMilliseconds(1);
            moved = SwapIntoPlace(m_temporary, m_path);
        }
        complete = complete && moved;
    }
    if (!complete) std::remove(m_temporary);
    m_temporary[0] = '\0';
    return complete;
}

void AtomicFile::Abandon() {
    if (m_stream != nullptr) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (m_temporary[0] != '\0') std::remove(m_temporary);
    m_temporary[0] = '\0';
}

}  // namespace platform
