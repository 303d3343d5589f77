#include "support/test_engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/variables.h"
#include "engine/plugin_state.h"
#include "log/log.h"
#include "platform/platform.h"

TestEngine *TestEngine::current = nullptr;

namespace {
TestEngine &E() { return *TestEngine::current; }

std::string Text(const char *s) { return s != nullptr ? s : "(null)"; }

void ServerCommand(char *text) {
    E().calls.push_back("pfnServerCommand(" + Text(text) + ")");
    E().serverCommands.push_back(Text(text));
}
void CVarRegister(cvar_t *cvar) {
    E().calls.push_back("pfnCVarRegister(" + Text(cvar->name) + ")");
    if (E().Variable(cvar->name) != nullptr) return;
    E().RegisterEngineVariable(cvar->name, Text(cvar->string));
    E().Variable(cvar->name)->flags = cvar->flags;
}
cvar_t *CVarGetPointer(const char *name) {
    E().calls.push_back("pfnCVarGetPointer(" + Text(name) + ")");
    return E().Variable(Text(name));
}
void CvarDirectSet(cvar_t *cvar, char *value) {
    E().calls.push_back("pfnCvar_DirectSet(" + Text(cvar->name) + ", " + Text(value) + ")");
    E().SetVariable(cvar->name, Text(value));
}
void ServerPrint(const char *text) {
    E().calls.push_back("pfnServerPrint");
    E().console += Text(text);
}
void ClientPrintf(edict_t *edict, PRINT_TYPE type, const char *text) {
    const int index = static_cast<int>(edict - E().edicts);
    E().calls.push_back("pfnClientPrintf(" + std::to_string(index) + ", " + std::to_string(type) + ")");
    E().clientPrints.push_back(std::to_string(index) + ":" + Text(text));
}
void AddServerCommand(char *name, void (*handler)()) {
    E().calls.push_back("pfnAddServerCommand(" + Text(name) + ")");
    E().commands[name] = handler;
}
const char *CmdArgv(int i) {
    if (i < 0 || i >= static_cast<int>(E().argv.size())) return "";
    return E().argv[i].c_str();
}
int CmdArgc() { return static_cast<int>(E().argv.size()); }
void GetGameDir(char *out) { std::snprintf(out, 260, "%s", E().gameDirText.c_str()); }
byte *LoadFileForMe(char *path, int *length) {
    E().calls.push_back("pfnLoadFileForMe(" + Text(path) + ")");
    if (length != nullptr) *length = 0;
    std::ifstream in(E().gameDirText + "/" + Text(path), std::ios::binary);
    if (!in) return nullptr;
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string data = ss.str();
    byte *buffer = static_cast<byte *>(std::malloc(data.size() + 1));
    std::memcpy(buffer, data.data(), data.size());
    buffer[data.size()] = 0;
    if (length != nullptr) *length = static_cast<int>(data.size());
    return buffer;
}
void FreeFile(void *buffer) {
    E().calls.push_back("pfnFreeFile");
    std::free(buffer);
}
int IsDedicatedServer() { return E().dedicated; }
int EntOffsetOfPEntity(const edict_t *e) { return static_cast<int>((e - E().edicts) * sizeof(edict_t)); }
int IndexOfEdict(const edict_t *e) { return e == nullptr ? 0 : static_cast<int>(e - E().edicts); }
void *GetModelPtr(edict_t *) {
    E().calls.push_back("pfnGetModelPtr");
    return nullptr;
}
int NumberOfEntities() {
    E().calls.push_back("pfnNumberOfEntities");
    return 10;
}
int GetFileSize(char *path) {
    E().calls.push_back("pfnGetFileSize(" + Text(path) + ")");
    std::ifstream in(E().gameDirText + "/" + Text(path), std::ios::binary | std::ios::ate);
    if (!in) return -1;
    return static_cast<int>(in.tellg());
}

namespace fs = std::filesystem;

void MakeDirs(const std::string &path) {
    std::error_code error;
    fs::create_directories(path, error);
}

int s_directoryCounter = 0;
}  // namespace

TestEngine::TestEngine(const std::string &gameDir) : gameDirText(gameDir) {
    current = this;
    std::error_code error;
    previousDir_ = fs::current_path(error).string();
    for (;;) {
        const fs::path candidate = fs::temp_directory_path(error) /
                                   ("zk_test_" + std::to_string(platform::CalendarSeconds()) + "_" +
                                    std::to_string(++s_directoryCounter) + "_" + std::to_string(std::rand()));
        if (fs::create_directory(candidate, error)) {
            root = candidate.string();
            break;
        }
    }
    fs::current_path(root, error);
    MakeDirs(gameDir);

    table.pfnServerCommand = ServerCommand;
    table.pfnCVarRegister = CVarRegister;
    table.pfnCVarGetPointer = CVarGetPointer;
    table.pfnCvar_DirectSet = CvarDirectSet;
    table.pfnServerPrint = ServerPrint;
    table.pfnClientPrintf = ClientPrintf;
    table.pfnAddServerCommand = AddServerCommand;
    table.pfnCmd_Argv = CmdArgv;
    table.pfnCmd_Argc = CmdArgc;
    table.pfnGetGameDir = GetGameDir;
    table.pfnLoadFileForMe = LoadFileForMe;
    table.pfnFreeFile = FreeFile;
    table.pfnIsDedicatedServer = IsDedicatedServer;
    table.pfnEntOffsetOfPEntity = EntOffsetOfPEntity;
    table.pfnIndexOfEdict = IndexOfEdict;
    table.pfnGetModelPtr = GetModelPtr;
    table.pfnNumberOfEntities = NumberOfEntities;
    table.pfnGetFileSize = GetFileSize;
    g_engfuncs = table;

    static const char kStrings[] = "\0de_dust2";
    globals.pStringBase = kStrings;
    globals.mapname = 1;
    globals.deathmatch = 1.0f;
    globals.time = 1.0f;
    gpGlobals = &globals;
    gpMetaGlobals = &metaGlobals;
    RegisterEngineVariable("sys_ticrate", "100");
    ResetLogForTests();
    ResetRegistryForTests();
}

TestEngine::~TestEngine() {
    std::error_code error;
    fs::current_path(previousDir_, error);
    // Read-only files (the resource database's mark) are made writable first.
    for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
         it.increment(error))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(root, error);
    for (auto &entry : cvars_) {
        delete[] entry.second->name;
        delete[] entry.second->string;
        delete entry.second;
    }
    std::memset(&g_engfuncs, 0, sizeof(g_engfuncs));
    gpGlobals = nullptr;
    gpMetaGlobals = nullptr;
    ResetLogForTests();
    current = nullptr;
}

namespace {
char *Copy(const std::string &s) {
    char *c = new char[s.size() + 1];
    std::memcpy(c, s.c_str(), s.size() + 1);
    return c;
}
}  // namespace

cvar_t *TestEngine::Variable(const std::string &name) {
    auto it = cvars_.find(name);
    return it == cvars_.end() ? nullptr : it->second;
}

void TestEngine::RegisterEngineVariable(const std::string &name, const std::string &value) {
    cvar_t *cvar = new cvar_t{Copy(name), Copy(value), 0, static_cast<float>(std::atof(value.c_str())), nullptr};
    cvars_[name] = cvar;
}

void TestEngine::SetVariable(const std::string &name, const std::string &value) {
    cvar_t *cvar = Variable(name);
    if (cvar == nullptr) return;
    delete[] cvar->string;
    cvar->string = Copy(value);
    cvar->value = static_cast<float>(std::atof(value.c_str()));
}

std::string TestEngine::VariableText(const std::string &name) {
    cvar_t *cvar = Variable(name);
    return cvar != nullptr ? cvar->string : "(missing)";
}

bool TestEngine::RunCommand(const std::string &line) {
    std::stringstream ss(line);
    std::string word;
    argv.clear();
    while (ss >> word) argv.push_back(word);
    if (argv.empty()) return false;
    auto it = commands.find(argv[0]);
    if (it != commands.end()) {
        it->second();
        return true;
    }
    if (argv.size() >= 2 && Variable(argv[0]) != nullptr) {
        SetVariable(argv[0], argv[1]);
        return true;
    }
    return false;
}

void TestEngine::ExecuteCommandBuffer() {
    while (!serverCommands.empty()) {
        std::vector<std::string> pending;
        pending.swap(serverCommands);
        for (std::string &text : pending) {
            while (!text.empty() && (text.back() == '\n' || text.back() == ';')) text.pop_back();
            RunCommand(text);
        }
    }
}

void TestEngine::WriteFile(const std::string &path, const std::string &contents) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) MakeDirs(path.substr(0, slash));
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

std::string TestEngine::ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string TestEngine::ReadTextFile(const std::string &path) {
    const std::string text = ReadFile(path);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

bool TestEngine::Exists(const std::string &path) {
    std::error_code error;
    return fs::exists(path, error);
}
