#include "resources/database_build.h"

#include <cstring>
#include <vector>

#include "config/variables.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/paths.h"
#include "log/file_handle.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "resources/database_files.h"
#include "resources/random_draws.h"

namespace {
int32_t HighWord(uint64_t size) { return static_cast<int32_t>(static_cast<uint32_t>(size >> 32)); }
int32_t LowWord(uint64_t size) { return static_cast<int32_t>(static_cast<uint32_t>(size)); }

// Empties a list and gives its memory back (a scan may list thousands).
template <typename T>
void Empty(std::vector<T> &list) {
    std::vector<T>().swap(list);
}

// Opens a database file with "w+" unless it is read-only: a marked file is
// never rewritten, also where the server runs as root and could open it.
bool OpenForWriting(CFileHandle &file, const char *szPath) {
    if (platform::IsReadOnlyFile(szPath)) return false;
    return file.Open(szPath, "w+");
}

// Closes a written database file.  A file that did not reach the disk
// completely (disk full) is reported and left unmarked: the build fails, and
// the next check reports the file as damaged instead of reading half a list.
bool CloseWritten(CFileHandle &file, const char *szPath) {
    if (file.Close()) return true;
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Could not write %s completely (disk full?)", szPath);
    return false;
}

// The game's "<dir>/<pattern>" matches; a missing directory lists nothing.
void Scan(const char *szDirectory, const char *szPattern, std::vector<platform::DirectoryEntry> *found) {
    char directory[kKtsPathSize];
    found->clear();
    if (!GamePath(directory, sizeof(directory), szDirectory, "")) return;
    // GamePath ends with the separator before the (empty) file name.
    const std::size_t length = std::strlen(directory);
    if (length > 0) directory[length - 1] = '\0';
    platform::FindFiles(directory, szPattern, found);
}

// Writes one line per record of the list, then empties the list (also when
// the file cannot be opened).
template <typename Record, typename WriteLine>
bool WriteList(const char *szPath, std::vector<Record> &list, WriteLine writeLine) {
    CFileHandle file;
    const bool opened = OpenForWriting(file, szPath);
    if (opened)
        for (const Record &record : list) writeLine(file, record);
    Empty(list);
    return opened && CloseWritten(file, szPath);
}

bool WriteModels(const char *szPath) {
    return WriteList(szPath, ModelList(), [](CFileHandle &file, const ktBase &model) {
        file.Printf(KTS_MODEL_LINE, model.strName.c_str(), model.nSizeHigh, model.nSizeLow, model.strTag.c_str(),
                    model.nFactor, DecimalText(model.dDivisor, 6).szText);
    });
}

bool WriteSprites(const char *szPath) {
    return WriteList(szPath, SpriteList(), [](CFileHandle &file, const ktBase2 &sprite) {
        file.Printf(KTS_SPRITE_LINE, sprite.strName.c_str(), sprite.nSizeLow, sprite.nDivisor);
    });
}
}  // namespace

bool BuildDatabase() {
    char directory[kKtsPathSize], modelPath[kKtsPathSize], spritePath[kKtsPathSize];
    const bool pathsFit = DatabasePath(directory, sizeof(directory), nullptr) &&
                          DatabasePath(modelPath, sizeof(modelPath), KTS_MODEL_FILE) &&
                          DatabasePath(spritePath, sizeof(spritePath), KTS_SPRITE_FILE);
    if (!pathsFit || (!platform::DirectoryExists(directory) && !platform::CreateOneDirectory(directory))) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Cant Create DB Dir!");
        return false;
    }
    const int sprites = VariableInt(RegistryHandle(REG_PROC_SPR));
    bool marked = true;

    std::vector<platform::DirectoryEntry> found;
    Scan("models", "*.mdl", &found);
    std::vector<ktBase> &models = ModelList();
    models.reserve(found.size());
    for (const platform::DirectoryEntry &entry : found) {
        const double dDivisor = RandomReal(static_cast<uint32_t>(HighWord(entry.size)));
        const int32_t nFactor = RandomInt(LowWord(entry.size));
        const ktTag tag = RandomTag();
        models.emplace_back(entry.name, HighWord(entry.size), LowWord(entry.size), tag.szText, nFactor, dDivisor);
    }
    if (!WriteModels(modelPath)) return false;

    if (sprites > 0) {
        Scan("sprites", "*.spr", &found);
        std::vector<ktBase2> &spriteList = SpriteList();
        spriteList.reserve(found.size());
        for (const platform::DirectoryEntry &entry : found)
            spriteList.emplace_back(entry.name, LowWord(entry.size), RandomInt(LowWord(entry.size)));
        if (!WriteSprites(spritePath)) return false;
        marked = platform::SetDatabaseMark(spritePath);
    }
    // The model file is marked last: a build that failed at the sprite file
    // leaves it written but unmarked, and the next check reports it.
    marked = platform::SetDatabaseMark(modelPath) && marked;
    // Files that cannot be marked stay writable and unmarked; the next check
    // finds that their file system keeps no mark and builds them again.
    if (!marked)
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
                   "Could not mark the database files in %s (the file system there keeps no file permissions or "
                   "marks): they are built again at each map start",
                   directory);
    return true;
}
