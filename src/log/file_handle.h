// CFileHandle: the owning wrapper of one standard file stream, shared by every
// reader and writer of the plugin.  The length is measured when the file is
// opened.  Operations on a closed handle are programming errors: they are
// reported ("m_pHandle != NULL") and do nothing.  A write that fails (disk
// full) is remembered: Close then reports the file as not completely written.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/engine_services.h"

class CFileHandle {
public:
    CFileHandle() = default;
    CFileHandle(const char *szPath, const char *szMode) { Open(szPath, szMode); }
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle &) = delete;
    CFileHandle &operator=(const CFileHandle &) = delete;

    bool Open(const char *szPath, const char *szMode);
    bool IsOpen() const { return m_pHandle != nullptr; }
    int32_t Size() const { return m_lSize; }
    // Formats and writes; the number of characters written, 0 on failure.
    int Printf(const char *szFormat, ...) ZK_PRINTF(2, 3);
    // False when the file was not open, or when anything written since it was
    // opened did not reach it completely.
    bool Close();

    // Reads one line of at most iSize - 1 characters, line end included when
    // it fits; false at end of file or when nothing was read.
    bool ReadLine(char *szBuffer, int iSize);
    // Skips white space, reads one word (cut to iSize - 1 characters), skips
    // the white space after it; false at end of file or when no word was read.
    bool ReadWord(char *szBuffer, int iSize);
    // True while the stream's end-of-file indicator is not set.
    bool NotEof();
    // Reads one token like the stream format "%s\n": white space, the token
    // (cut to iSize - 1 characters), then the white space after it.
    bool ReadToken(char *szBuffer, int iSize);

private:
    bool AssertOpen() const;

    std::FILE *m_pHandle = nullptr;
    int32_t m_lSize = 0;
    bool m_bWriteFailed = false;
};
