// The fake engine's function table, built from one positional table below:
// the slots the plugin is expected to call point at implementations, every
// other slot at a stub that names the slot and aborts.
#include <cstdio>
#include <cstdlib>

#include "engine/engine_calls.h"
#include "engine/engine_sim.h"
#include "engine/engine_slot_names.h"
#include "engine/engine_table.h"

namespace hostsim {

namespace {

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

[[noreturn]] void UnexpectedEngineCall(std::size_t index) { UnexpectedCall("engine", kEngineSlotNames[index]); }

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

// ------------------------------------------------------------ the table

using namespace engine_calls;

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

void UnexpectedCall(const char *table, const char *name) {
    std::fflush(stdout);
    std::fprintf(stderr, "hostsim: unexpected %s call %s\n", table, name);
    std::fflush(stderr);
    std::abort();
}

const char *EngineSim::slotName(std::size_t index) {
    return index < kEngineSlots ? kEngineSlotNames[index] : "(beyond the table)";
}

}  // namespace hostsim
