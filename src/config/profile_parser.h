// The parser of the profile file kestrin.ini: words are fed one at a time;
// section headers choose the record kind, level keys ("FPS1" .. "BOTS4")
// choose the level, and the value words fill the level's fields in order.
// The parser state is process-wide and never reset: a record may be finished
// after a later section header, and the state carries over to the next read.
#pragma once

#include <cstddef>

#include "log/file_handle.h"

enum ProfileSection {
    PROFILE_SECTION_NONE = 0,
    PROFILE_SECTION_FPS = 1,
    PROFILE_SECTION_CPU = 2,
    PROFILE_SECTION_SYS = 3,
    PROFILE_SECTION_SERVER = 4,
    PROFILE_SECTION_BOTS = 5
};

// Field cursor once the last field of a record is stored.
constexpr int kProfileCursorComplete = 100;
// Words of the profile file are cut to this size less one.
constexpr int kProfileWordSize = 255;

struct ProfileParserState {
    int iSection;  // ProfileSection
    int iLevel;    // -1 (none) or 0 to 3
    int iCursor;   // 0, the next field (1 to 5), or kProfileCursorComplete
};

// Feeds one value or key word to the parser of a section (1 FPS, 2 CPU,
// 3 SYS, 4 SERVER, 5 BOTS).
void ParseProfileWord(int section, const char *word);

// One word as read from the file: skips comment and empty words, takes the
// first token, recognises the section headers and hands the rest to
// ParseProfileWord with the current section.
void ParseProfileFileWord(const char *szWord);

// Every word of an open profile file.
void ParseProfileStream(CFileHandle &file);
// The same for a file's contents in memory (words split and cut exactly as
// they are read from a file).
void ParseProfileText(const char *data, std::size_t size);

ProfileParserState CurrentProfileParserState();
// Back to the load-time state: no section, no level, cursor 0 (tests).
void ResetProfileParserForTests();
