#include "log/file_handle.h"

#include <cstdarg>

bool CFileHandle::AssertOpen() const {
    if (m_pHandle != nullptr) return true;
    std::fprintf(stderr, "Assertion failed: m_pHandle != NULL\n");
    return false;
}

bool CFileHandle::Open(const char *szPath, const char *szMode) {
    Close();
    if (szPath == nullptr || szMode == nullptr) return false;
    m_pHandle = std::fopen(szPath, szMode);
    if (m_pHandle == nullptr) return false;
    if (std::fseek(m_pHandle, 0, SEEK_END) == 0) {
        const long end = std::ftell(m_pHandle);
        m_lSize = end > 0 && end <= INT32_MAX ? static_cast<int32_t>(end) : 0;
    }
    std::fseek(m_pHandle, 0, SEEK_SET);
    return true;
}

int CFileHandle::Printf(const char *szFormat, ...) {
    if (!AssertOpen()) return 0;
    va_list args;
    va_start(args, szFormat);
    const int written = std::vfprintf(m_pHandle, szFormat, args);
    va_end(args);
    if (written < 0 || std::ferror(m_pHandle)) return 0;
    return written;
}

void CFileHandle::Close() {
    if (m_pHandle != nullptr) std::fclose(m_pHandle);
    m_pHandle = nullptr;
    m_lSize = 0;
}

bool CFileHandle::ReadLine(char *szBuffer, int iSize) {
    if (!AssertOpen() || szBuffer == nullptr || iSize < 2) return false;
    if (std::feof(m_pHandle)) return false;
    if (std::fgets(szBuffer, iSize, m_pHandle) == nullptr) return false;
    return szBuffer[0] != '\0';
}

namespace {
bool IsStreamSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void SkipSpace(std::FILE *stream) {
    int c;
    while ((c = std::fgetc(stream)) != EOF && IsStreamSpace(c)) {
    }
    if (c != EOF) std::ungetc(c, stream);
}

// Reads a maximal run of non-space characters, keeping at most iSize - 1.
bool ReadRun(std::FILE *stream, char *szBuffer, int iSize) {
    int length = 0, c;
    while ((c = std::fgetc(stream)) != EOF && !IsStreamSpace(c)) {
        if (length < iSize - 1) szBuffer[length++] = static_cast<char>(c);
    }
    if (c != EOF) std::ungetc(c, stream);
    szBuffer[length] = '\0';
    return length > 0;
}
}  // namespace

bool CFileHandle::ReadWord(char *szBuffer, int iSize) {
    if (!AssertOpen() || szBuffer == nullptr || iSize < 2) return false;
    if (std::feof(m_pHandle)) return false;
    SkipSpace(m_pHandle);
    const bool read = ReadRun(m_pHandle, szBuffer, iSize);
    SkipSpace(m_pHandle);
    return read;
}

bool CFileHandle::NotEof() {
    if (!AssertOpen()) return false;
    return std::feof(m_pHandle) == 0;
}

bool CFileHandle::ReadToken(char *szBuffer, int iSize) {
    if (!AssertOpen() || szBuffer == nullptr || iSize < 2) return false;
    SkipSpace(m_pHandle);
    const bool read = ReadRun(m_pHandle, szBuffer, iSize);
    SkipSpace(m_pHandle);
    // Like "%s\n", reaching the end of the stream while skipping sets the
    // end-of-file indicator: peek once more so the caller's NotEof sees it.
    const int c = std::fgetc(m_pHandle);
    if (c != EOF) std::ungetc(c, m_pHandle);
    return read;
}
