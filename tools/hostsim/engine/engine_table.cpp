// The fake engine's function table, built from one positional table below:
// the slots the plugin is expected to call point at implementations, every
// other slot at a stub that names the slot and aborts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine_sim.h"
#include "engine/engine_table.h"

namespace hostsim {

SlowHook &EngineSlowHook() {
    static SlowHook hook;
    return hook;
}

namespace {

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
    EngineSim *sim = EngineSim::current();
    if (!sim) EngineError("engine call without an engine");
    return *sim;
}

#define RECORD(slot, args)                                  \
    do {                                                    \
        SlowDownIfChosen(EngineSlowHook(), slot);           \
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

void GetPlayerStats(const edict_t *client, int *ping, int *loss) {
    EngineSim &sim = Sim();
    RECORD("pfnGetPlayerStats", EdictArg(client));
    const int index = sim.indexOf(client);
    if (index < 1 || index > sim.globals()->maxClients) EngineError("pfnGetPlayerStats with an entity that is no client");
    int p = 0, l = 0;
    sim.playerStats(index, &p, &l);
    if (ping) *ping = p;
    if (loss) *loss = l;
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
    IMPLEMENTED(pfnGetPlayerStats, &GetPlayerStats),  // 139
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

}  // namespace

const enginefuncs_t &EngineTableTemplate() { return kEngineTable; }

const char *EngineSim::slotName(std::size_t index) {
    return index < kEngineSlots ? kEngineSlotNames[index] : "(beyond the table)";
}

}  // namespace hostsim
