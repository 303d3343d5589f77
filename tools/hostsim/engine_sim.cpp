// The fake engine.  The engine table is built from one positional table below:
// the slots the plugin is expected to call point at implementations, every
// other slot at a stub that names the slot and aborts.
#include "engine_sim.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_os.h"

namespace hostsim {

namespace {

EngineSim *g_current = nullptr;

constexpr std::size_t kArenaSize = 1 << 20;
constexpr std::size_t kCommandBufferSize = 16384;
constexpr std::size_t kMaxArgs = 80;
constexpr std::size_t kGameDirMax = 259;  // characters, before the NUL

// ------------------------------------------------------------ slot names

constexpr const char *kEngineSlotNames[kEngineSlots] = {
    "pfnPrecacheModel",  // 0
    "pfnPrecacheSound",  // 1
    "pfnSetModel",  // 2
    "pfnModelIndex",  // 3
    "pfnModelFrames",  // 4
    "pfnSetSize",  // 5
    "pfnChangeLevel",  // 6
    "pfnGetSpawnParms",  // 7
    "pfnSaveSpawnParms",  // 8
    "pfnVecToYaw",  // 9
    "pfnVecToAngles",  // 10
    "pfnMoveToOrigin",  // 11
    "pfnChangeYaw",  // 12
    "pfnChangePitch",  // 13
    "pfnFindEntityByString",  // 14
    "pfnGetEntityIllum",  // 15
    "pfnFindEntityInSphere",  // 16
    "pfnFindClientInPVS",  // 17
    "pfnEntitiesInPVS",  // 18
    "pfnMakeVectors",  // 19
    "pfnAngleVectors",  // 20
    "pfnCreateEntity",  // 21
    "pfnRemoveEntity",  // 22
    "pfnCreateNamedEntity",  // 23
    "pfnMakeStatic",  // 24
    "pfnEntIsOnFloor",  // 25
    "pfnDropToFloor",  // 26
    "pfnWalkMove",  // 27
    "pfnSetOrigin",  // 28
    "pfnEmitSound",  // 29
    "pfnEmitAmbientSound",  // 30
    "pfnTraceLine",  // 31
    "pfnTraceToss",  // 32
    "pfnTraceMonsterHull",  // 33
    "pfnTraceHull",  // 34
    "pfnTraceModel",  // 35
    "pfnTraceTexture",  // 36
    "pfnTraceSphere",  // 37
    "pfnGetAimVector",  // 38
    "pfnServerCommand",  // 39
    "pfnServerExecute",  // 40
    "pfnClientCommand",  // 41
    "pfnParticleEffect",  // 42
    "pfnLightStyle",  // 43
    "pfnDecalIndex",  // 44
    "pfnPointContents",  // 45
    "pfnMessageBegin",  // 46
    "pfnMessageEnd",  // 47
    "pfnWriteByte",  // 48
    "pfnWriteChar",  // 49
    "pfnWriteShort",  // 50
    "pfnWriteLong",  // 51
    "pfnWriteAngle",  // 52
    "pfnWriteCoord",  // 53
    "pfnWriteString",  // 54
    "pfnWriteEntity",  // 55
    "pfnCVarRegister",  // 56
    "pfnCVarGetFloat",  // 57
    "pfnCVarGetString",  // 58
    "pfnCVarSetFloat",  // 59
    "pfnCVarSetString",  // 60
    "pfnAlertMessage",  // 61
    "pfnEngineFprintf",  // 62
    "pfnPvAllocEntPrivateData",  // 63
    "pfnPvEntPrivateData",  // 64
    "pfnFreeEntPrivateData",  // 65
    "pfnSzFromIndex",  // 66
    "pfnAllocString",  // 67
    "pfnGetVarsOfEnt",  // 68
    "pfnPEntityOfEntOffset",  // 69
    "pfnEntOffsetOfPEntity",  // 70
    "pfnIndexOfEdict",  // 71
    "pfnPEntityOfEntIndex",  // 72
    "pfnFindEntityByVars",  // 73
    "pfnGetModelPtr",  // 74
    "pfnRegUserMsg",  // 75
    "pfnAnimationAutomove",  // 76
    "pfnGetBonePosition",  // 77
    "pfnFunctionFromName",  // 78
    "pfnNameForFunction",  // 79
    "pfnClientPrintf",  // 80
    "pfnServerPrint",  // 81
    "pfnCmd_Args",  // 82
    "pfnCmd_Argv",  // 83
    "pfnCmd_Argc",  // 84
    "pfnGetAttachment",  // 85
    "pfnCRC32_Init",  // 86
    "pfnCRC32_ProcessBuffer",  // 87
    "pfnCRC32_ProcessByte",  // 88
    "pfnCRC32_Final",  // 89
    "pfnRandomLong",  // 90
    "pfnRandomFloat",  // 91
    "pfnSetView",  // 92
    "pfnTime",  // 93
    "pfnCrosshairAngle",  // 94
    "pfnLoadFileForMe",  // 95
    "pfnFreeFile",  // 96
    "pfnEndSection",  // 97
    "pfnCompareFileTime",  // 98
    "pfnGetGameDir",  // 99
    "pfnCvar_RegisterVariable",  // 100
    "pfnFadeClientVolume",  // 101
    "pfnSetClientMaxspeed",  // 102
    "pfnCreateFakeClient",  // 103
    "pfnRunPlayerMove",  // 104
    "pfnNumberOfEntities",  // 105
    "pfnGetInfoKeyBuffer",  // 106
    "pfnInfoKeyValue",  // 107
    "pfnSetKeyValue",  // 108
    "pfnSetClientKeyValue",  // 109
    "pfnIsMapValid",  // 110
    "pfnStaticDecal",  // 111
    "pfnPrecacheGeneric",  // 112
    "pfnGetPlayerUserId",  // 113
    "pfnBuildSoundMsg",  // 114
    "pfnIsDedicatedServer",  // 115
    "pfnCVarGetPointer",  // 116
    "pfnGetPlayerWONId",  // 117
    "pfnInfo_RemoveKey",  // 118
    "pfnGetPhysicsKeyValue",  // 119
    "pfnSetPhysicsKeyValue",  // 120
    "pfnGetPhysicsInfoString",  // 121
    "pfnPrecacheEvent",  // 122
    "pfnPlaybackEvent",  // 123
    "pfnSetFatPVS",  // 124
    "pfnSetFatPAS",  // 125
    "pfnCheckVisibility",  // 126
    "pfnDeltaSetField",  // 127
    "pfnDeltaUnsetField",  // 128
    "pfnDeltaAddEncoder",  // 129
    "pfnGetCurrentPlayer",  // 130
    "pfnCanSkipPlayer",  // 131
    "pfnDeltaFindField",  // 132
    "pfnDeltaSetFieldByIndex",  // 133
    "pfnDeltaUnsetFieldByIndex",  // 134
    "pfnSetGroupMask",  // 135
    "pfnCreateInstancedBaseline",  // 136
    "pfnCvar_DirectSet",  // 137
    "pfnForceUnmodified",  // 138
    "pfnGetPlayerStats",  // 139
    "pfnAddServerCommand",  // 140
    "pfnVoice_GetClientListening",  // 141
    "pfnVoice_SetClientListening",  // 142
    "pfnGetPlayerAuthId",  // 143
    "pfnSequenceGet",  // 144
    "pfnSequencePickSentence",  // 145
    "pfnGetFileSize",  // 146
    "pfnGetApproxWavePlayLen",  // 147
    "pfnIsCareerMatch",  // 148
    "pfnGetLocalizedStringLength",  // 149
    "pfnRegisterTutorMessageShown",  // 150
    "pfnGetTimesTutorMessageShown",  // 151
    "pfnProcessTutorMessageDecayBuffer",  // 152
    "pfnConstructTutorMessageDecayBuffer",  // 153
    "pfnResetTutorMessageDecayData",  // 154
    "pfnQueryClientCvarValue",  // 155
    "pfnQueryClientCvarValue2",  // 156
    "pfnEngCheckParm",  // 157
};

constexpr bool SameText(const char *a, const char *b) {
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

constexpr std::size_t kMisplacedSlot = ~static_cast<std::size_t>(0);

// The index of a table entry, or kMisplacedSlot when the entry does not stand
// at its member's position or the name table disagrees.
constexpr std::size_t CheckedSlot(std::size_t position, std::size_t index, const char *name) {
    return position == index && index < kEngineSlots && SameText(kEngineSlotNames[index], name) ? index
                                                                                                : kMisplacedSlot;
}

// ------------------------------------------------------------ unexpected calls

[[noreturn]] void UnexpectedEngineCall(std::size_t index) {
    std::fflush(stdout);
    std::fprintf(stderr, "hostsim: unexpected engine call %s\n", kEngineSlotNames[index]);
    std::fflush(stderr);
    std::abort();
}

template <std::size_t N, typename F>
struct Unexpected;

template <std::size_t N, typename R, typename... A>
struct Unexpected<N, R (*)(A...)> {
    static_assert(N != kMisplacedSlot, "engine table entry out of place");
    static R call(A...) { UnexpectedEngineCall(N); }
};

template <std::size_t N, typename R, typename... A>
struct Unexpected<N, R (*)(A..., ...)> {
    static_assert(N != kMisplacedSlot, "engine table entry out of place");
    static R call(A..., ...) { UnexpectedEngineCall(N); }
};

template <std::size_t N, typename F>
constexpr F Implemented(F function) {
    static_assert(N != kMisplacedSlot, "engine table entry out of place");
    return function;
}

// ------------------------------------------------------------ implemented slots

EngineSim &Sim() {
    if (!g_current) EngineError("engine call without an engine");
    return *g_current;
}

#define RECORD(slot, args)                                  \
    do {                                                    \
        if (sim.recording()) sim.record(slot, (args));      \
    } while (0)

void ServerCommand(char *text) {
    EngineSim &sim = Sim();
    RECORD("pfnServerCommand", QuoteArg(text));
    if (!text) EngineError("pfnServerCommand with a null string");
    sim.serverCommand(text);
}

void CVarRegister(cvar_t *variable) {
    EngineSim &sim = Sim();
    RECORD("pfnCVarRegister", variable ? QuoteArg(variable->name) : std::string("null"));
    if (!variable) EngineError("pfnCVarRegister with a null variable");
    variable->flags |= FCVAR_EXTDLL;  // the engine marks what the game library registers
    sim.registerCvar(variable);
}

int EntOffsetOfPEntity(const edict_t *entity) {
    EngineSim &sim = Sim();
    RECORD("pfnEntOffsetOfPEntity", EdictArg(entity));
    int index = sim.indexOf(entity);
    if (index < 0) EngineError("pfnEntOffsetOfPEntity with a pointer that is not an edict");
    return index * static_cast<int>(sizeof(edict_t));
}

int IndexOfEdict(const edict_t *entity) {
    EngineSim &sim = Sim();
    RECORD("pfnIndexOfEdict", EdictArg(entity));
    if (!entity) return 0;
    int index = sim.indexOf(entity);
    if (index < 0) EngineError("IndexOfEdict: bad entity");
    return index;
}

void *GetModelPtr(edict_t *entity) {
    EngineSim &sim = Sim();
    RECORD("pfnGetModelPtr", EdictArg(entity));
    // No model is ever loaded here, so there is no model data to return.
    if (entity && sim.indexOf(entity) < 0) EngineError("pfnGetModelPtr with a pointer that is not an edict");
    return nullptr;
}

void ClientPrintf(edict_t *entity, PRINT_TYPE type, const char *text) {
    EngineSim &sim = Sim();
    RECORD("pfnClientPrintf", EdictArg(entity) + ", " + std::to_string(static_cast<int>(type)) + ", " +
                                  QuoteArg(text));
    int index = sim.indexOf(entity);
    if (index < 0) EngineError("NUM_FOR_EDICT: bad pointer (pfnClientPrintf)");
    if (index < 1 || index > sim.globals()->maxClients) {
        sim.print("tried to sprint to a non-client\n");
        return;
    }
    if (text) sim.clientPrint(index, text);
}

void ServerPrint(const char *text) {
    EngineSim &sim = Sim();
    RECORD("pfnServerPrint", QuoteArg(text));
    if (text) sim.print(text);
}

const char *Cmd_Args(void) {
    EngineSim &sim = Sim();
    RECORD("pfnCmd_Args", std::string());
    return sim.args().c_str();
}

const char *Cmd_Argv(int index) {
    EngineSim &sim = Sim();
    RECORD("pfnCmd_Argv", std::to_string(index));
    if (index < 0 || static_cast<std::size_t>(index) >= sim.argv().size()) return "";
    return sim.argv()[static_cast<std::size_t>(index)].c_str();
}

int Cmd_Argc(void) {
    EngineSim &sim = Sim();
    RECORD("pfnCmd_Argc", std::string());
    return static_cast<int>(sim.argv().size());
}

byte *LoadFileForMe(char *path, int *length) {
    EngineSim &sim = Sim();
    RECORD("pfnLoadFileForMe", QuoteArg(path));
    return sim.loadFile(path, length);
}

void FreeFile(void *buffer) {
    EngineSim &sim = Sim();
    RECORD("pfnFreeFile", buffer ? std::string("buffer") : std::string("null"));
    sim.freeFile(buffer);
}

void GetGameDir(char *out) {
    EngineSim &sim = Sim();
    RECORD("pfnGetGameDir", std::string());
    if (!out) EngineError("pfnGetGameDir with a null buffer");
    sim.writeGameDir(out);
}

int NumberOfEntities(void) {
    EngineSim &sim = Sim();
    RECORD("pfnNumberOfEntities", std::string());
    return sim.usedEntityCount();
}

int IsDedicatedServer(void) {
    EngineSim &sim = Sim();
    RECORD("pfnIsDedicatedServer", std::string());
    return sim.options().dedicated ? 1 : 0;
}

cvar_t *CVarGetPointer(const char *name) {
    EngineSim &sim = Sim();
    RECORD("pfnCVarGetPointer", QuoteArg(name));
    return name ? sim.findCvar(name) : nullptr;
}

void Cvar_DirectSet(struct cvar_s *variable, char *value) {
    EngineSim &sim = Sim();
    RECORD("pfnCvar_DirectSet",
           (variable && variable->name ? QuoteArg(variable->name) : std::string("null")) + ", " + QuoteArg(value));
    if (!variable || !value) {
        std::fprintf(stderr, "hostsim: pfnCvar_DirectSet with a null %s ignored\n", variable ? "value" : "variable");
        return;
    }
    sim.setCvar(variable, value);
}

void AddServerCommand(char *name, void (*handler)(void)) {
    EngineSim &sim = Sim();
    RECORD("pfnAddServerCommand", QuoteArg(name));
    if (!name) EngineError("pfnAddServerCommand with a null name");
    sim.addServerCommand(name, handler);
}

int GetFileSize(char *path) {
    EngineSim &sim = Sim();
    RECORD("pfnGetFileSize", QuoteArg(path));
    return sim.fileSize(path);
}

#undef RECORD

// ------------------------------------------------------------ the table

constexpr std::size_t kCounterBase = __COUNTER__ + 1;

#define UNEXPECTED(name)                                                                                  \
    &Unexpected<CheckedSlot(__COUNTER__ - kCounterBase, ZK_FUNC_INDEX(enginefuncs_t, name), #name),       \
                decltype(enginefuncs_t::name)>::call
#define IMPLEMENTED(name, function) \
    Implemented<CheckedSlot(__COUNTER__ - kCounterBase, ZK_FUNC_INDEX(enginefuncs_t, name), #name)>(function)

const enginefuncs_t kEngineTable = {
    UNEXPECTED(pfnPrecacheModel),  // 0
    UNEXPECTED(pfnPrecacheSound),  // 1
    UNEXPECTED(pfnSetModel),  // 2
    UNEXPECTED(pfnModelIndex),  // 3
    UNEXPECTED(pfnModelFrames),  // 4
    UNEXPECTED(pfnSetSize),  // 5
    UNEXPECTED(pfnChangeLevel),  // 6
    UNEXPECTED(pfnGetSpawnParms),  // 7
    UNEXPECTED(pfnSaveSpawnParms),  // 8
    UNEXPECTED(pfnVecToYaw),  // 9
    UNEXPECTED(pfnVecToAngles),  // 10
    UNEXPECTED(pfnMoveToOrigin),  // 11
    UNEXPECTED(pfnChangeYaw),  // 12
    UNEXPECTED(pfnChangePitch),  // 13
    UNEXPECTED(pfnFindEntityByString),  // 14
    UNEXPECTED(pfnGetEntityIllum),  // 15
    UNEXPECTED(pfnFindEntityInSphere),  // 16
    UNEXPECTED(pfnFindClientInPVS),  // 17
    UNEXPECTED(pfnEntitiesInPVS),  // 18
    UNEXPECTED(pfnMakeVectors),  // 19
    UNEXPECTED(pfnAngleVectors),  // 20
    UNEXPECTED(pfnCreateEntity),  // 21
    UNEXPECTED(pfnRemoveEntity),  // 22
    UNEXPECTED(pfnCreateNamedEntity),  // 23
    UNEXPECTED(pfnMakeStatic),  // 24
    UNEXPECTED(pfnEntIsOnFloor),  // 25
    UNEXPECTED(pfnDropToFloor),  // 26
    UNEXPECTED(pfnWalkMove),  // 27
    UNEXPECTED(pfnSetOrigin),  // 28
    UNEXPECTED(pfnEmitSound),  // 29
    UNEXPECTED(pfnEmitAmbientSound),  // 30
    UNEXPECTED(pfnTraceLine),  // 31
    UNEXPECTED(pfnTraceToss),  // 32
    UNEXPECTED(pfnTraceMonsterHull),  // 33
    UNEXPECTED(pfnTraceHull),  // 34
    UNEXPECTED(pfnTraceModel),  // 35
    UNEXPECTED(pfnTraceTexture),  // 36
    UNEXPECTED(pfnTraceSphere),  // 37
    UNEXPECTED(pfnGetAimVector),  // 38
    IMPLEMENTED(pfnServerCommand, &ServerCommand),  // 39
    UNEXPECTED(pfnServerExecute),  // 40
    UNEXPECTED(pfnClientCommand),  // 41
    UNEXPECTED(pfnParticleEffect),  // 42
    UNEXPECTED(pfnLightStyle),  // 43
    UNEXPECTED(pfnDecalIndex),  // 44
    UNEXPECTED(pfnPointContents),  // 45
    UNEXPECTED(pfnMessageBegin),  // 46
    UNEXPECTED(pfnMessageEnd),  // 47
    UNEXPECTED(pfnWriteByte),  // 48
    UNEXPECTED(pfnWriteChar),  // 49
    UNEXPECTED(pfnWriteShort),  // 50
    UNEXPECTED(pfnWriteLong),  // 51
    UNEXPECTED(pfnWriteAngle),  // 52
    UNEXPECTED(pfnWriteCoord),  // 53
    UNEXPECTED(pfnWriteString),  // 54
    UNEXPECTED(pfnWriteEntity),  // 55
    IMPLEMENTED(pfnCVarRegister, &CVarRegister),  // 56
    UNEXPECTED(pfnCVarGetFloat),  // 57
    UNEXPECTED(pfnCVarGetString),  // 58
    UNEXPECTED(pfnCVarSetFloat),  // 59
    UNEXPECTED(pfnCVarSetString),  // 60
    UNEXPECTED(pfnAlertMessage),  // 61
    UNEXPECTED(pfnEngineFprintf),  // 62
    UNEXPECTED(pfnPvAllocEntPrivateData),  // 63
    UNEXPECTED(pfnPvEntPrivateData),  // 64
    UNEXPECTED(pfnFreeEntPrivateData),  // 65
    UNEXPECTED(pfnSzFromIndex),  // 66
    UNEXPECTED(pfnAllocString),  // 67
    UNEXPECTED(pfnGetVarsOfEnt),  // 68
    UNEXPECTED(pfnPEntityOfEntOffset),  // 69
    IMPLEMENTED(pfnEntOffsetOfPEntity, &EntOffsetOfPEntity),  // 70
    IMPLEMENTED(pfnIndexOfEdict, &IndexOfEdict),  // 71
    UNEXPECTED(pfnPEntityOfEntIndex),  // 72
    UNEXPECTED(pfnFindEntityByVars),  // 73
    IMPLEMENTED(pfnGetModelPtr, &GetModelPtr),  // 74
    UNEXPECTED(pfnRegUserMsg),  // 75
    UNEXPECTED(pfnAnimationAutomove),  // 76
    UNEXPECTED(pfnGetBonePosition),  // 77
    UNEXPECTED(pfnFunctionFromName),  // 78
    UNEXPECTED(pfnNameForFunction),  // 79
    IMPLEMENTED(pfnClientPrintf, &ClientPrintf),  // 80
    IMPLEMENTED(pfnServerPrint, &ServerPrint),  // 81
    IMPLEMENTED(pfnCmd_Args, &Cmd_Args),  // 82
    IMPLEMENTED(pfnCmd_Argv, &Cmd_Argv),  // 83
    IMPLEMENTED(pfnCmd_Argc, &Cmd_Argc),  // 84
    UNEXPECTED(pfnGetAttachment),  // 85
    UNEXPECTED(pfnCRC32_Init),  // 86
    UNEXPECTED(pfnCRC32_ProcessBuffer),  // 87
    UNEXPECTED(pfnCRC32_ProcessByte),  // 88
    UNEXPECTED(pfnCRC32_Final),  // 89
    UNEXPECTED(pfnRandomLong),  // 90
    UNEXPECTED(pfnRandomFloat),  // 91
    UNEXPECTED(pfnSetView),  // 92
    UNEXPECTED(pfnTime),  // 93
    UNEXPECTED(pfnCrosshairAngle),  // 94
    IMPLEMENTED(pfnLoadFileForMe, &LoadFileForMe),  // 95
    IMPLEMENTED(pfnFreeFile, &FreeFile),  // 96
    UNEXPECTED(pfnEndSection),  // 97
    UNEXPECTED(pfnCompareFileTime),  // 98
    IMPLEMENTED(pfnGetGameDir, &GetGameDir),  // 99
    UNEXPECTED(pfnCvar_RegisterVariable),  // 100
    UNEXPECTED(pfnFadeClientVolume),  // 101
    UNEXPECTED(pfnSetClientMaxspeed),  // 102
    UNEXPECTED(pfnCreateFakeClient),  // 103
    UNEXPECTED(pfnRunPlayerMove),  // 104
    IMPLEMENTED(pfnNumberOfEntities, &NumberOfEntities),  // 105
    UNEXPECTED(pfnGetInfoKeyBuffer),  // 106
    UNEXPECTED(pfnInfoKeyValue),  // 107
    UNEXPECTED(pfnSetKeyValue),  // 108
    UNEXPECTED(pfnSetClientKeyValue),  // 109
    UNEXPECTED(pfnIsMapValid),  // 110
    UNEXPECTED(pfnStaticDecal),  // 111
    UNEXPECTED(pfnPrecacheGeneric),  // 112
    UNEXPECTED(pfnGetPlayerUserId),  // 113
    UNEXPECTED(pfnBuildSoundMsg),  // 114
    IMPLEMENTED(pfnIsDedicatedServer, &IsDedicatedServer),  // 115
    IMPLEMENTED(pfnCVarGetPointer, &CVarGetPointer),  // 116
    UNEXPECTED(pfnGetPlayerWONId),  // 117
    UNEXPECTED(pfnInfo_RemoveKey),  // 118
    UNEXPECTED(pfnGetPhysicsKeyValue),  // 119
    UNEXPECTED(pfnSetPhysicsKeyValue),  // 120
    UNEXPECTED(pfnGetPhysicsInfoString),  // 121
    UNEXPECTED(pfnPrecacheEvent),  // 122
    UNEXPECTED(pfnPlaybackEvent),  // 123
    UNEXPECTED(pfnSetFatPVS),  // 124
    UNEXPECTED(pfnSetFatPAS),  // 125
    UNEXPECTED(pfnCheckVisibility),  // 126
    UNEXPECTED(pfnDeltaSetField),  // 127
    UNEXPECTED(pfnDeltaUnsetField),  // 128
    UNEXPECTED(pfnDeltaAddEncoder),  // 129
    UNEXPECTED(pfnGetCurrentPlayer),  // 130
    UNEXPECTED(pfnCanSkipPlayer),  // 131
    UNEXPECTED(pfnDeltaFindField),  // 132
    UNEXPECTED(pfnDeltaSetFieldByIndex),  // 133
    UNEXPECTED(pfnDeltaUnsetFieldByIndex),  // 134
    UNEXPECTED(pfnSetGroupMask),  // 135
    UNEXPECTED(pfnCreateInstancedBaseline),  // 136
    IMPLEMENTED(pfnCvar_DirectSet, &Cvar_DirectSet),  // 137
    UNEXPECTED(pfnForceUnmodified),  // 138
    UNEXPECTED(pfnGetPlayerStats),  // 139
    IMPLEMENTED(pfnAddServerCommand, &AddServerCommand),  // 140
    UNEXPECTED(pfnVoice_GetClientListening),  // 141
    UNEXPECTED(pfnVoice_SetClientListening),  // 142
    UNEXPECTED(pfnGetPlayerAuthId),  // 143
    UNEXPECTED(pfnSequenceGet),  // 144
    UNEXPECTED(pfnSequencePickSentence),  // 145
    IMPLEMENTED(pfnGetFileSize, &GetFileSize),  // 146
    UNEXPECTED(pfnGetApproxWavePlayLen),  // 147
    UNEXPECTED(pfnIsCareerMatch),  // 148
    UNEXPECTED(pfnGetLocalizedStringLength),  // 149
    UNEXPECTED(pfnRegisterTutorMessageShown),  // 150
    UNEXPECTED(pfnGetTimesTutorMessageShown),  // 151
    UNEXPECTED(pfnProcessTutorMessageDecayBuffer),  // 152
    UNEXPECTED(pfnConstructTutorMessageDecayBuffer),  // 153
    UNEXPECTED(pfnResetTutorMessageDecayData),  // 154
    UNEXPECTED(pfnQueryClientCvarValue),  // 155
    UNEXPECTED(pfnQueryClientCvarValue2),  // 156
    UNEXPECTED(pfnEngCheckParm),  // 157
};

#undef UNEXPECTED
#undef IMPLEMENTED

// ------------------------------------------------------------ helpers

bool EqualNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int x = std::tolower(static_cast<unsigned char>(*a));
        int y = std::tolower(static_cast<unsigned char>(*b));
        if (x != y) return false;
        if (!x) return true;
    }
}

bool LessNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int x = std::tolower(static_cast<unsigned char>(*a));
        int y = std::tolower(static_cast<unsigned char>(*b));
        if (x != y || !x) return x < y;
    }
}

std::unique_ptr<char[]> CopyText(const char *text) {
    std::size_t length = std::strlen(text);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    std::memcpy(copy.get(), text, length + 1);
    return copy;
}

std::string Trim(const std::string &text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

// The end of the command that starts at `begin`: a newline, or a ';' outside
// quotes, or the end of the text.
std::size_t CommandEnd(const std::string &text, std::size_t begin) {
    bool quoted = false;
    for (std::size_t i = begin; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') quoted = !quoted;
        if (c == '\n' || (c == ';' && !quoted)) return i;
    }
    return text.size();
}

std::string FormatV(const char *format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, static_cast<std::size_t>(length));
    std::string result(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(&result[0], result.size(), format, args);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

}  // namespace

// ------------------------------------------------------------ free functions

void EngineError(const char *format, ...) {
    std::fflush(stdout);
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    std::fprintf(stderr, "hostsim: %s\n", text.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string QuoteArg(const char *text) {
    if (!text) return "null";
    std::string out = "\"";
    for (const char *p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < ' ') {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string EdictArg(const edict_t *entity) {
    if (!entity) return "null";
    int index = g_current ? g_current->indexOf(entity) : -1;
    return index < 0 ? std::string("bad edict") : "edict " + std::to_string(index);
}

// ------------------------------------------------------------ EngineSim

EngineSim::EngineSim() : EngineSim(Options()) {}

EngineSim::EngineSim(const Options &options) : options_(options) {
    previous_ = g_current;
    g_current = this;
    initialise();
}

EngineSim::~EngineSim() {
    // Give every variable the engine kept back its own string, so that a
    // struct of a library that stays loaded never points into freed memory.
    for (CvarEntry &entry : cvars_) {
        entry.variable->string = entry.original;
        entry.variable->next = nullptr;
    }
    for (CvarEntry &entry : detached_) entry.variable->string = entry.original;
    for (void *buffer : liveFiles_) std::free(buffer);
    if (g_current == this) g_current = previous_;
}

EngineSim *EngineSim::current() { return g_current; }

const char *EngineSim::slotName(std::size_t index) {
    return index < kEngineSlots ? kEngineSlotNames[index] : "(beyond the table)";
}

void EngineSim::initialise() {
    std::memset(&table_, 0, sizeof table_);
    table_.funcs = kEngineTable;

    arena_.reset(new char[kArenaSize]);
    arena_[0] = '\0';
    arenaUsed_ = 1;

    std::memset(&globals_, 0, sizeof globals_);
    globals_.pStringBase = arena_.get();
    globals_.deathmatch = 1.0f;
    globals_.maxClients = options_.maxClients;
    globals_.maxEntities = options_.maxEntities;

    // Player edicts are never allocated or freed: they are in use from the
    // start, like the engine's, whether a client is connected or not.
    edicts_.assign(static_cast<std::size_t>(options_.maxEntities), edict_t());
    for (std::size_t i = 0; i < edicts_.size(); ++i) {
        edicts_[i].free = static_cast<int>(i) > options_.maxClients ? 1 : 0;
        edicts_[i].v.pContainingEntity = &edicts_[i];
    }
    clientLineStart_.assign(static_cast<std::size_t>(options_.maxClients) + 1, true);

    static const char *const kEngineCvars[][2] = {{"sys_ticrate", "100"}, {"developer", "0"}};
    for (const auto &definition : kEngineCvars) {
        std::unique_ptr<cvar_t> variable(new cvar_t());
        variable->name = definition[0];
        variable->string = definition[1];
        registerCvar(variable.get());
        ownCvars_.push_back(std::move(variable));
    }
    commands_.push_back({"echo", &EngineSim::EchoCommand, false});
    commands_.push_back({"quit", &EngineSim::QuitCommand, false});
}

// ---- strings

string_t EngineSim::allocString(const char *text) {
    if (!text || !*text) return 0;
    std::size_t length = std::strlen(text) + 1;
    if (arenaUsed_ + length > kArenaSize) EngineError("string arena full");
    std::memcpy(arena_.get() + arenaUsed_, text, length);
    string_t offset = static_cast<string_t>(arenaUsed_);
    arenaUsed_ += length;
    return offset;
}

const char *EngineSim::string(string_t offset) const {
    if (offset < 0 || static_cast<std::size_t>(offset) >= arenaUsed_) return nullptr;
    return arena_.get() + offset;
}

// ---- edicts

edict_t *EngineSim::edict(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= edicts_.size()) return nullptr;
    return &edicts_[static_cast<std::size_t>(index)];
}

int EngineSim::indexOf(const edict_t *entity) const {
    if (!entity || edicts_.empty()) return -1;
    const edict_t *base = edicts_.data();
    if (entity < base || entity >= base + edicts_.size()) return -1;
    return static_cast<int>(entity - base);
}

int EngineSim::edictCount() const {
    for (std::size_t i = edicts_.size(); i > 0; --i)
        if (!edicts_[i - 1].free) return static_cast<int>(i);
    return 0;
}

int EngineSim::usedEntityCount() const {
    int count = 0;
    int end = edictCount();
    for (int i = 1; i < end; ++i)
        if (!edicts_[static_cast<std::size_t>(i)].free) ++count;
    return count;
}

edict_t *EngineSim::createEntity(const char *classname) {
    for (std::size_t i = static_cast<std::size_t>(options_.maxClients) + 1; i < edicts_.size(); ++i) {
        edict_t &entity = edicts_[i];
        if (!entity.free) continue;
        int serial = entity.serialnumber;
        std::memset(&entity, 0, sizeof entity);
        entity.serialnumber = serial + 1;
        entity.v.pContainingEntity = &entity;
        entity.v.classname = allocString(classname);
        return &entity;
    }
    EngineError("ED_Alloc: no free edicts");
}

void EngineSim::freeEntity(edict_t *entity) {
    int index = indexOf(entity);
    if (index <= options_.maxClients) return;
    std::memset(&entity->v, 0, sizeof entity->v);
    entity->v.pContainingEntity = entity;
    entity->free = 1;
    entity->freetime = globals_.time;
}

void EngineSim::freeAllEntities() {
    for (std::size_t i = static_cast<std::size_t>(options_.maxClients) + 1; i < edicts_.size(); ++i)
        if (!edicts_[i].free) freeEntity(&edicts_[i]);
}

void EngineSim::setTime(double time, double frametime) {
    globals_.time = static_cast<float>(time);
    globals_.frametime = static_cast<float>(frametime);
}

// ---- console variables

cvar_t *EngineSim::findCvar(const char *name) const {
    if (!name) return nullptr;
    for (const CvarEntry &entry : cvars_)
        if (EqualNoCase(entry.variable->name, name)) return entry.variable;
    return nullptr;
}

const char *EngineSim::cvarString(const char *name) const {
    cvar_t *variable = findCvar(name);
    return variable ? variable->string : nullptr;
}

bool EngineSim::registerCvar(cvar_t *variable) {
    if (!variable->name || !variable->string) EngineError("pfnCVarRegister with a variable without name or string");
    if (findCvar(variable->name)) {
        printf("Can't register variable %s, already defined\n", variable->name);
        return false;
    }
    if (hasCommand(variable->name)) {
        printf("Cvar_RegisterVariable: %s is a command\n", variable->name);
        return false;
    }
    CvarEntry entry;
    entry.variable = variable;
    entry.original = variable->string;
    entry.text = CopyText(variable->string);
    variable->string = entry.text.get();
    variable->value = static_cast<float>(std::atof(entry.text.get()));
    cvars_.push_back(std::move(entry));
    relinkCvars();
    return true;
}

void EngineSim::unregisterCvar(cvar_t *variable) {
    for (std::size_t i = 0; i < cvars_.size(); ++i) {
        if (cvars_[i].variable != variable) continue;
        variable->string = cvars_[i].original;
        variable->next = nullptr;
        cvars_.erase(cvars_.begin() + static_cast<std::ptrdiff_t>(i));
        relinkCvars();
        return;
    }
}

void EngineSim::releaseGameLibrary() {
    for (std::size_t i = cvars_.size(); i > 0; --i) {
        CvarEntry &entry = cvars_[i - 1];
        if (!(entry.variable->flags & FCVAR_EXTDLL)) continue;
        entry.variable->string = entry.original;
        entry.variable->next = nullptr;
        cvars_.erase(cvars_.begin() + static_cast<std::ptrdiff_t>(i - 1));
    }
    relinkCvars();
    for (CvarEntry &entry : detached_) entry.variable->string = entry.original;
    detached_.clear();
    for (std::size_t i = commands_.size(); i > 0; --i)
        if (commands_[i - 1].fromGame) commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(i - 1));
}

// The engine keeps its variables in one list in alphabetical order.
void EngineSim::relinkCvars() {
    std::vector<cvar_t *> sorted;
    for (CvarEntry &entry : cvars_) sorted.push_back(entry.variable);
    std::sort(sorted.begin(), sorted.end(), [](cvar_t *a, cvar_t *b) { return LessNoCase(a->name, b->name); });
    for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i]->next = i + 1 < sorted.size() ? sorted[i + 1] : nullptr;
}

EngineSim::CvarEntry *EngineSim::entryFor(const cvar_t *variable) {
    for (CvarEntry &entry : cvars_)
        if (entry.variable == variable) return &entry;
    for (CvarEntry &entry : detached_)
        if (entry.variable == variable) return &entry;
    return nullptr;
}

void EngineSim::setCvar(cvar_t *variable, const char *value) {
    CvarEntry *entry = entryFor(variable);
    if (!entry) {
        // The engine writes to whatever struct it is given; a plugin that does
        // this under Metamod is changing its own dead copy.
        std::fprintf(stderr, "hostsim: Cvar_DirectSet on a variable the engine does not know (%s)\n",
                     variable->name ? variable->name : "unnamed");
        CvarEntry detached;
        detached.variable = variable;
        detached.original = variable->string;
        detached_.push_back(std::move(detached));
        entry = &detached_.back();
    }
    std::unique_ptr<char[]> text = CopyText(value);  // value may be the old string
    variable->string = text.get();
    variable->value = static_cast<float>(std::atof(text.get()));
    entry->text = std::move(text);
}

// ---- commands and the console

bool EngineSim::hasCommand(const char *name) const {
    for (const Command &command : commands_)
        if (EqualNoCase(command.name.c_str(), name)) return true;
    return false;
}

bool EngineSim::addServerCommand(const char *name, void (*handler)(void)) {
    if (hasCommand(name)) {
        printf("Cmd_AddCommand: %s already defined\n", name);
        return false;
    }
    if (findCvar(name)) {
        printf("Cmd_AddCommand: %s already defined as a var\n", name);
        return false;
    }
    commands_.push_back({name, handler, true});
    return true;
}

void EngineSim::serverCommand(const char *text) {
    std::size_t length = std::strlen(text);
    if (length == 0 || (text[length - 1] != '\n' && text[length - 1] != ';')) {
        printf("Error, bad server command %s\n", text);
        return;
    }
    appendCommandText(text);
}

void EngineSim::appendCommandText(const char *text) {
    std::size_t length = std::strlen(text);
    if (commandBuffer_.size() + length >= kCommandBufferSize) {
        print("Cbuf_AddText: overflow\n");
        return;
    }
    commandBuffer_ += text;
}

void EngineSim::executeCommandBuffer() {
    std::size_t executed = 0;
    while (!commandBuffer_.empty()) {
        std::size_t end = CommandEnd(commandBuffer_, 0);
        std::string command = Trim(commandBuffer_.substr(0, end));
        commandBuffer_.erase(0, end < commandBuffer_.size() ? end + 1 : end);
        if (command.empty()) continue;
        print(("> " + command + "\n").c_str());
        executeCommand(command);
        if (++executed > 100000) EngineError("the command buffer keeps refilling itself");
    }
}

void EngineSim::executeLine(const std::string &line) {
    for (std::size_t begin = 0; begin <= line.size();) {
        std::size_t end = CommandEnd(line, begin);
        executeCommand(line.substr(begin, end - begin));
        begin = end + 1;
    }
}

void EngineSim::tokenize(const std::string &command) {
    argv_.clear();
    args_.clear();
    std::size_t i = 0, n = command.size();
    while (argv_.size() < kMaxArgs) {
        while (i < n && static_cast<unsigned char>(command[i]) <= ' ') ++i;
        if (i >= n) break;
        if (argv_.size() == 1) args_ = Trim(command.substr(i));
        std::string token;
        if (command[i] == '"') {
            ++i;
            while (i < n && command[i] != '"') token += command[i++];
            if (i < n) ++i;
        } else {
            while (i < n && static_cast<unsigned char>(command[i]) > ' ') token += command[i++];
        }
        argv_.push_back(token);
    }
}

void EngineSim::executeCommand(const std::string &command) {
    tokenize(command);
    if (argv_.empty()) return;
    const char *name = argv_[0].c_str();
    for (const Command &registered : commands_) {
        if (!EqualNoCase(registered.name.c_str(), name)) continue;
        if (registered.handler) registered.handler();
        return;
    }
    if (cvar_t *variable = findCvar(name)) {
        if (argv_.size() == 1)
            printf("\"%s\" is \"%s\"\n", variable->name, variable->string);
        else
            setCvar(variable, argv_[1].c_str());
        return;
    }
    printf("Unknown command: %s\n", name);
}

void EngineSim::EchoCommand() {
    EngineSim &sim = Sim();
    std::string line;
    for (std::size_t i = 1; i < sim.argv_.size(); ++i) line += sim.argv_[i] + " ";
    sim.print((line + "\n").c_str());
}

void EngineSim::QuitCommand() { Sim().quitRequested_ = true; }

// ---- output

void EngineSim::print(const char *text) {
    if (output_)
        output_(text);
    else
        std::fputs(text, stdout);
}

void EngineSim::printf(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    print(text.c_str());
}

void EngineSim::setOutput(std::function<void(const char *)> output) { output_ = std::move(output); }

void EngineSim::clientPrint(int client, const char *text) {
    std::string out;
    std::vector<bool>::reference lineStart = clientLineStart_[static_cast<std::size_t>(client)];
    for (const char *p = text; *p; ++p) {
        if (lineStart) out += "[client " + std::to_string(client) + "] ";
        out += *p;
        lineStart = *p == '\n';
    }
    print(out.c_str());
}

// ---- calls

void EngineSim::record(const char *slot, std::string args) {
    if (recording_) calls_.push_back({slot, std::move(args)});
}

std::size_t EngineSim::countCalls(const std::string &slot) const {
    std::size_t count = 0;
    for (const Call &call : calls_)
        if (call.slot == slot) ++count;
    return count;
}

// ---- game files

namespace {
std::string GamePath(const std::string &gameDir, const char *path) {
    return gameDir.empty() ? std::string(path) : gameDir + "/" + path;
}
}  // namespace

unsigned char *EngineSim::loadFile(const char *path, int *length) {
    if (length) *length = 0;
    if (!path) return nullptr;
    std::string full = GamePath(options_.gameDirPath, path);
    long long size = hostos::RegularFileSize(full);
    if (size < 0 || size > 0x7ffffffeLL) return nullptr;
    std::FILE *file = std::fopen(full.c_str(), "rb");
    if (!file) return nullptr;
    unsigned char *buffer = static_cast<unsigned char *>(std::malloc(static_cast<std::size_t>(size) + 1));
    std::size_t got = buffer ? std::fread(buffer, 1, static_cast<std::size_t>(size), file) : 0;
    std::fclose(file);
    if (!buffer || got != static_cast<std::size_t>(size)) {
        std::free(buffer);
        return nullptr;
    }
    buffer[size] = 0;
    if (length) *length = static_cast<int>(size);
    liveFiles_.insert(buffer);
    return buffer;
}

void EngineSim::freeFile(void *buffer) {
    if (!buffer) return;
    if (!liveFiles_.erase(buffer)) EngineError("pfnFreeFile with a pointer that pfnLoadFileForMe did not return");
    std::free(buffer);
}

int EngineSim::fileSize(const char *path) const {
    if (!path) return -1;
    long long size = hostos::RegularFileSize(GamePath(options_.gameDirPath, path));
    return size > 0x7fffffffLL ? 0x7fffffff : static_cast<int>(size);
}

void EngineSim::writeGameDir(char *out) const {
    const std::string &text = options_.reportGameDirText ? options_.gameDirText : options_.gameName;
    std::size_t length = text.size() < kGameDirMax ? text.size() : kGameDirMax;
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

}  // namespace hostsim
