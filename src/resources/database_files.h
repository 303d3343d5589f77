// The resource database files: their names, line formats and records, and
// the integrity check that runs before existing files are read.
//
// "<game>/addons/zeq_kestrin/db/mdlbase.kts" lists every "<game>/models/*.mdl"
// and "sprbase.kts" beside it every "<game>/sprites/*.spr", one line per file
// in the order of the directory search.  No header, no count, no checksum:
// a file is intact when it still carries the mark the build gave it
// (platform/file_system.h); its content is never examined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#define KTS_MODEL_FILE "mdlbase.kts"
#define KTS_SPRITE_FILE "sprbase.kts"
#define KTS_DIRECTORY "db"
#define KTS_PATTERN "*.kts"

// One line of mdlbase.kts and one of sprbase.kts.
// The divisor is written with six decimals and a point whatever the locale.
#define KTS_MODEL_LINE "%s %d %d %s %d %s\n"
#define KTS_SPRITE_LINE "%s %d %d\n"

constexpr std::size_t kKtsPathSize = 512;

// An owned copy of a text.  (The deployable Linux library links against the
// C library alone, and std::string needs libstdc++'s own code.)
class CText {
public:
    CText(const char *szText = "") { Assign(szText); }
    const char *c_str() const { return m_data.data(); }
    void Assign(const char *szText);

private:
    std::vector<char> m_data;
};

// A model record, built from its six values in field order.
struct ktBase {
    ktBase(const char *szName, int32_t iSizeHigh, int32_t iSizeLow, const char *szTag, int32_t iFactor,
           double dDiv)
        : strName(szName), nSizeHigh(iSizeHigh), nSizeLow(iSizeLow), strTag(szTag), nFactor(iFactor),
          dDivisor(dDiv) {}
    CText strName;
    int32_t nSizeHigh;
    int32_t nSizeLow;
    CText strTag;
    int32_t nFactor;
    double dDivisor;
};

// A sprite record.
struct ktBase2 {
    ktBase2(const char *szName, int32_t iSizeLow, int32_t iDivisor)
        : strName(szName), nSizeLow(iSizeLow), nDivisor(iDivisor) {}
    CText strName;
    int32_t nSizeLow;
    int32_t nDivisor;
};

// One token as read back.
struct ktRBase {
    explicit ktRBase(const char *szToken) : strToken(szToken) {}
    CText strToken;
};

// The process-wide lists: empty between uses.
std::vector<ktBase> &ModelList();
std::vector<ktBase2> &SpriteList();
std::vector<ktRBase> &TokenList();

// "<game>/addons/zeq_kestrin/db[/file]"; false when it does not fit.
bool DatabasePath(char *szOut, std::size_t size, const char *szFile);

// True when the first "*.kts" file of the database directory (and, while
// zeq_kestrin_proc_spr is above 0, the second) still carries its mark.
// False with *pbUnmarkable set (and nothing logged for that file) when a file
// carries no mark because its file system cannot keep one.
bool CheckDatabaseFiles(bool *pbUnmarkable = nullptr);
