#include "resources/database_files.h"

#include <cstdio>
#include <cstring>

#include "config/variables.h"
#include "engine/engine_services.h"
#include "engine/paths.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/platform.h"

void CText::Assign(const char *szText) {
    if (szText == nullptr) szText = "";
    const std::size_t length = std::strlen(szText);
    m_data.assign(szText, szText + length + 1);
}

std::vector<ktBase> &ModelList() {
    static std::vector<ktBase> s_models;
    return s_models;
}

std::vector<ktBase2> &SpriteList() {
    static std::vector<ktBase2> s_sprites;
    return s_sprites;
}

std::vector<ktRBase> &TokenList() {
    static std::vector<ktRBase> s_tokens;
    return s_tokens;
}

bool DatabasePath(char *szOut, std::size_t size, const char *szFile) {
    return PluginPath(szOut, size, KTS_DIRECTORY, szFile);
}

namespace {
// Logs the verdict on one file; true when it carries its mark.  A file whose
// file system cannot keep a mark is not reported: it is built again.
bool ExamineFile(const char *szDirectory, const platform::DirectoryEntry &entry, bool *pbUnmarkable) {
    char path[kKtsPathSize];
    const int written = std::snprintf(path, sizeof(path), "%s%c%s", szDirectory, platform::kPathSeparator, entry.name);
    const bool fits = written > 0 && static_cast<std::size_t>(written) < sizeof(path);
    const platform::MarkState state = fits ? platform::ReadDatabaseMark(path) : platform::MarkState::Damaged;
    if (state == platform::MarkState::Unmarkable) {
        if (pbUnmarkable != nullptr) *pbUnmarkable = true;
        return false;
    }
    if (state != platform::MarkState::Intact) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "File %s is Damaged!", entry.name);
        return false;
    }
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "File %s is Not Damaged", entry.name);
    return true;
}
}  // namespace

bool CheckDatabaseFiles(bool *pbUnmarkable) {
    if (pbUnmarkable != nullptr) *pbUnmarkable = false;
    const int sprites = VariableInt(RegistryHandle(REG_PROC_SPR));
    char directory[kKtsPathSize];
    // The search: every "*.kts" in directory order (by name, as NTFS shows
    // it: mdlbase.kts before sprbase.kts).  Names are not compared: any first
    // and, with sprites on, any second file with the mark passes.  It is
    // closed (finished) before anything is examined.
    std::vector<platform::DirectoryEntry> found;
    if (!DatabasePath(directory, sizeof(directory), nullptr) ||
        !platform::FindFiles(directory, KTS_PATTERN, &found) || found.empty()) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Can't Find .kts Files");
        return false;
    }
    if (!ExamineFile(directory, found[0], pbUnmarkable)) return false;
    if (sprites > 0) {
        if (found.size() < 2) {
            LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Can't Find Second .kts File");
            return false;
        }
        if (!ExamineFile(directory, found[1], pbUnmarkable)) return false;
    }
    return true;
}
