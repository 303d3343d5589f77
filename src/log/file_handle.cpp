#include "log/file_handle.h"

#include <cstdarg>
#include <cstdlib>

#include "platform/file_system.h"

bool CFileHandle::AssertOpen() const {
    if (m_pHandle != nullptr) return true;
    std::fprintf(stderr, "Assertion failed: m_pHandle != NULL\n");
    return false;
}

bool CFileHandle::Open(const char *szPath, const char *szMode) {
    if (m_pHandle != nullptr) Close();
    if (szPath == nullptr || szMode == nullptr) return false;
    m_pHandle = platform::OpenStream(szPath, szMode);
    if (m_pHandle == nullptr) return false;
    if (std::fseek(m_pHandle, 0, SEEK_END) == 0) {
        const long end = std::ftell(m_pHandle);
        m_lSize = end > 0 && end <= INT32_MAX ? static_cast<int32_t>(end) : 0;
    }
    std::fseek(m_pHandle, 0, SEEK_SET);
    return true;
}

int CFileHandle::Printf(const char *szFormat, ...) {
    if (!AssertOpen() || szFormat == nullptr) return 0;
    // Formatted in memory first (the lines the plugin writes fit the stack
    // buffer; longer ones are formatted again into a block of their size).
    char stackText[2048];
    va_list args, again;
    va_start(args, szFormat);
    va_copy(again, args);
    const int length = std::vsnprintf(stackText, sizeof(stackText), szFormat, args);
    va_end(args);
    const char *text = stackText;
    char *heapText = nullptr;
    if (length >= static_cast<int>(sizeof(stackText))) {
        heapText = static_cast<char *>(std::malloc(static_cast<std::size_t>(length) + 1));
        if (heapText != nullptr) std::vsnprintf(heapText, static_cast<std::size_t>(length) + 1, szFormat, again);
        text = heapText;
    }
    va_end(again);
    bool written = length >= 0 && text != nullptr;
    if (written) written = platform::WriteStream(m_pHandle, text, static_cast<std::size_t>(length));
    std::free(heapText);
    if (!written) {
        m_bWriteFailed = true;
        return 0;
    }
    return length;
}

bool CFileHandle::Close() {
    const bool complete = m_pHandle != nullptr && platform::CloseStream(m_pHandle) && !m_bWriteFailed;
    m_pHandle = nullptr;
    m_lSize = 0;
    m_bWriteFailed = false;
    return complete;
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
