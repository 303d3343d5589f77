// The plugin's file streams: standard C streams on every platform, opened,
// written and closed here so that the fault points can reach them; and the
// file written whole or not at all.
#include <cstdio>
#include <cstring>

#include "platform/fault_points.h"
#include "platform/file_system.h"

namespace platform {

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

bool AtomicFile::Begin(const char *path, bool text) {
    Abandon();
    if (path == nullptr || *path == '\0') return false;
    const std::size_t length = std::strlen(path);
    if (length >= sizeof(m_path)) return false;
    std::memcpy(m_path, path, length + 1);
    std::memcpy(m_temporary, path, length);
    std::memcpy(m_temporary + length, ".tmp", 5);
    m_failed = false;
    if (FaultFires(FaultPoint::CreateTemporary)) return false;
    std::remove(m_temporary);  // left by a killed process, whatever its mode
    m_stream = std::fopen(m_temporary, text ? "w" : "wb");
    return m_stream != nullptr;
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

bool AtomicFile::Commit() {
    if (m_stream == nullptr) return false;
    bool complete = !m_failed && std::fflush(m_stream) == 0;
    if (complete && FaultFires(FaultPoint::SyncTemporary)) complete = false;
    complete = complete && SyncStream(m_stream);
    complete = std::fclose(m_stream) == 0 && complete;
    m_stream = nullptr;
    if (complete && FaultFires(FaultPoint::RenameTemporary)) complete = false;
    complete = complete && MoveIntoPlace(m_temporary, m_path);
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
