// Directory searches and the database mark on Windows.  The mark is the file
// attribute value read-only plus system (5), compared for equality.
#include "platform/file_system.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/fault_points.h"

namespace platform {

bool FindFiles(const char *directory, const char *pattern, std::vector<DirectoryEntry> *entries) {
    entries->clear();
    if (directory == nullptr || pattern == nullptr) return false;
    char search[MAX_PATH * 2];
    const int written = std::snprintf(search, sizeof(search), "%s\\%s", directory, pattern);
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof(search)) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(search, &data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    }
    do {
        // The search also matches short 8.3 names ("*.mdl" finds "x.mdlx");
        // keep only long names that match, as the POSIX search does.
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
        if (!MatchesPattern(data.cFileName, pattern)) continue;
        DirectoryEntry found;
        std::memset(&found, 0, sizeof(found));
        std::memcpy(found.name, data.cFileName, sizeof(found.name) - 1);
        found.size = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                         ? 0
                         : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        entries->push_back(found);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    // NTFS already returns this order; FAT and network shares do not.
    std::sort(entries->begin(), entries->end(), [](const DirectoryEntry &a, const DirectoryEntry &b) {
        return CompareFileNames(a.name, b.name) < 0;
    });
    return true;
}

bool SetDatabaseMark(const char *path) {
    return path != nullptr && SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM) != 0;
}

MarkState ReadDatabaseMark(const char *path) {
    return path != nullptr && GetFileAttributesA(path) == (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)
               ? MarkState::Intact
               : MarkState::Damaged;
}

bool IsReadOnlyFile(const char *path) {
    if (path == nullptr) return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool SyncStream(std::FILE *stream) { return stream != nullptr && _commit(_fileno(stream)) == 0; }

std::FILE *CreateExclusiveStream(const char *path, bool text, bool *nameTaken) {
    if (nameTaken != nullptr) *nameTaken = false;
    if (path == nullptr || *path == '\0') return nullptr;
    if (FaultFires(FaultPoint::TemporaryTaken)) {
        if (nameTaken != nullptr) *nameTaken = true;
        return nullptr;
    }
    // Shared for reading and deleting as fopen shares a file; not inherited.
    // A link (a symbolic link or a junction) in the path's place is opened as
    // itself, so the name counts as taken instead of creating its target.
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (nameTaken != nullptr) *nameTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | (text ? _O_TEXT : _O_BINARY));
    if (descriptor < 0) {
        CloseHandle(handle);
        DeleteFileA(path);
        return nullptr;
    }
    std::FILE *stream = _fdopen(descriptor, text ? "w" : "wb");
    if (stream == nullptr) {
        _close(descriptor);
        DeleteFileA(path);
    }
    return stream;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessRunning(unsigned long id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

namespace {
// A link in the destination's place is removed first (the link, not its
// target), so that the move never reaches through it.
bool ClearLinkAt(const char *path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryA(path) != 0 : DeleteFileA(path) != 0;
}
}  // namespace

bool MoveIntoPlace(const char *from, const char *to) {
    return from != nullptr && to != nullptr && ClearLinkAt(to) &&
           MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool SwapIntoPlace(const char *from, const char *to) {
    return from != nullptr && to != nullptr && ClearLinkAt(to) && MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

void UseLegacyStatForTests(bool) {}

}  // namespace platform
