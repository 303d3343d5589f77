// The plugin's file streams: standard C streams on every platform, opened,
// written and closed here so that the fault points can reach them.
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

}  // namespace platform
