#include "config/profile_parser.h"

#include <cstdint>
#include <cstring>

#include "config/profile_store.h"
#include "config/token.h"
#include "engine/decimal_text.h"
#include "log/log.h"

namespace {
struct SectionInfo {
    const char *szHeader;
    const char *szKeys[kProfileLevels];
    int iFields;
    const char *szUnregistered;  // format with the word
};

const SectionInfo kSections[] = {
    {nullptr, {nullptr, nullptr, nullptr, nullptr}, 0, nullptr},
    {"[FPS]", {"FPS1", "FPS2", "FPS3", "FPS4"}, 3, "[FPS] Unregistred Command %s"},
    {"[CPU]", {"CPU1", "CPU2", "CPU3", "CPU4"}, 3, "[CPU] Unregistred Command %s"},
    {"[SYS]", {"SYS1", "SYS2", "SYS3", "SYS4"}, 5, "[SYS] Unregistred Command %s"},
    {"[SERVER]", {"SERV1", "SERV2", "SERV3", "SERV4"}, 4, "[SERVER] Unregistred Command %s"},
    {"[BOTS]", {"BOTS1", "BOTS2", "BOTS3", "BOTS4"}, 3, "[BOTS] Unregistred Command %s"},
};
constexpr int kSectionCount = 5;

ProfileParserState s_state = {PROFILE_SECTION_NONE, -1, 0};

void StoreField(int section, int level, int field, const char *word) {
    switch (section) {
    case PROFILE_SECTION_FPS:
    case PROFILE_SECTION_CPU: {
        int32_t &iNumber = section == PROFILE_SECTION_FPS ? g_fpsLevels[level].iNumber : g_cpuLevels[level].iNumber;
        double &dNumber = section == PROFILE_SECTION_FPS ? g_fpsLevels[level].dNumber : g_cpuLevels[level].dNumber;
        char *szText = section == PROFILE_SECTION_FPS ? g_fpsLevels[level].szText : g_cpuLevels[level].szText;
        if (field == 1) iNumber = DecimalToInt32(word);
        else if (field == 2) dNumber = DecimalToReal(word);
        else CopyProfileText(szText, kProfileTextSize, word);
        break;
    }
    case PROFILE_SECTION_SYS: {
        SysLevel &record = g_sysLevels[level];
        char *const fields[] = {record.szText1, record.szText2, record.szText3, record.szText4, record.szText5};
        CopyProfileText(fields[field - 1], kProfileTextSize, word);
        break;
    }
    case PROFILE_SECTION_SERVER: {
        ServerLevel &record = g_serverLevels[level];
        if (field == 1) record.dFpsMode = DecimalToReal(word);
        else if (field == 2) record.dCpuMode = DecimalToReal(word);
        else if (field == 3) record.iSysNumber = DecimalToInt32(word);
        else CopyProfileText(record.szText, kProfileTextSize, word);
        break;
    }
    case PROFILE_SECTION_BOTS: {
        BotsLevel &record = g_botsLevels[level];
        if (field == 1) record.iMaxLevel = DecimalToInt32(word);
        else if (field == 2) record.iMinLevel = DecimalToInt32(word);
        else CopyProfileText(record.szText, kProfileTextSize, word);
        break;
    }
    default:
        break;
    }
}

bool IsSkippedWord(const char *szWord) {
    const char c = szWord[0];
    return c == '\0' || c == '/' || c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

bool IsStreamSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
}  // namespace

void ParseProfileWord(int section, const char *word) {
    if (section < 1 || section > kSectionCount) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Unregistred Command");
        return;
    }
    if (word == nullptr) word = "";
    const SectionInfo &info = kSections[section];
    for (int level = 0; level < kProfileLevels; ++level) {
        if (std::strcmp(word, info.szKeys[level]) == 0) {
            s_state.iLevel = level;
            s_state.iCursor = 1;
            return;
        }
    }
    if (s_state.iLevel < 0) return;
    const int field = s_state.iCursor;
    if (field < 1 || field > info.iFields) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, info.szUnregistered, word);
        return;
    }
    StoreField(section, s_state.iLevel, field, word);
    s_state.iCursor = field == info.iFields ? kProfileCursorComplete : field + 1;
}

void ParseProfileFileWord(const char *szWord) {
    if (szWord == nullptr || IsSkippedWord(szWord)) return;
    const char *working = GetToken(szWord, 0, false);
    for (int section = 1; section <= kSectionCount; ++section) {
        if (std::strcmp(working, kSections[section].szHeader) == 0) {
            s_state.iSection = section;
            return;
        }
    }
    if (s_state.iSection == PROFILE_SECTION_NONE) return;
    ParseProfileWord(s_state.iSection, working);
}

void ParseProfileStream(CFileHandle &file) {
    if (!file.IsOpen()) return;
    char word[kProfileWordSize];
    while (file.ReadWord(word, sizeof(word))) ParseProfileFileWord(word);
}

void ParseProfileText(const char *data, std::size_t size) {
    if (data == nullptr) return;
    char word[kProfileWordSize];
    std::size_t i = 0;
    while (i < size) {
        while (i < size && IsStreamSpace(data[i])) ++i;
        std::size_t length = 0;
        while (i < size && !IsStreamSpace(data[i])) {
            if (length < sizeof(word) - 1) word[length++] = data[i];
            ++i;
        }
        if (length == 0) break;
        word[length] = '\0';
        ParseProfileFileWord(word);
    }
}

ProfileParserState CurrentProfileParserState() { return s_state; }

void ResetProfileParserForTests() { s_state = ProfileParserState{PROFILE_SECTION_NONE, -1, 0}; }
