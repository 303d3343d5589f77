// Our declarations of the Half-Life engine interface: the engine function
// table (the data it takes and gives is in engine_types.h).  Layouts follow
// the engine's binary interface; abi_checks.h asserts the sizes and offsets.
#pragma once

#include <cstddef>

#include "sdk/engine_types.h"

// ---------------------------------------------------------------- enginefuncs_t

// All 158 entries of the engine table in the engine's order (indices in the
// comments).  Entries 143 and above exist only in newer engines: Metamod sets
// them to null when the engine lacks them, so they are null-checked before use.
typedef struct enginefuncs_s {
    int (*pfnPrecacheModel)(char *);                                     // 0
    int (*pfnPrecacheSound)(char *);                                     // 1
    void (*pfnSetModel)(edict_t *, const char *);                        // 2
    int (*pfnModelIndex)(const char *);                                  // 3
    int (*pfnModelFrames)(int);                                          // 4
    void (*pfnSetSize)(edict_t *, const float *, const float *);         // 5
    void (*pfnChangeLevel)(char *, char *);                              // 6
    void (*pfnGetSpawnParms)(edict_t *);                                 // 7
    void (*pfnSaveSpawnParms)(edict_t *);                                // 8
    float (*pfnVecToYaw)(const float *);                                 // 9
    void (*pfnVecToAngles)(const float *, float *);                      // 10
    void (*pfnMoveToOrigin)(edict_t *, const float *, float, int);       // 11
    void (*pfnChangeYaw)(edict_t *);                                     // 12
    void (*pfnChangePitch)(edict_t *);                                   // 13
    edict_t *(*pfnFindEntityByString)(edict_t *, const char *, const char *); // 14
    int (*pfnGetEntityIllum)(edict_t *);                                 // 15
    edict_t *(*pfnFindEntityInSphere)(edict_t *, const float *, float);  // 16
    edict_t *(*pfnFindClientInPVS)(edict_t *);                           // 17
    edict_t *(*pfnEntitiesInPVS)(edict_t *);                             // 18
    void (*pfnMakeVectors)(const float *);                               // 19
    void (*pfnAngleVectors)(const float *, float *, float *, float *);   // 20
    edict_t *(*pfnCreateEntity)(void);                                   // 21
    void (*pfnRemoveEntity)(edict_t *);                                  // 22
    edict_t *(*pfnCreateNamedEntity)(int);                               // 23
    void (*pfnMakeStatic)(edict_t *);                                    // 24
    int (*pfnEntIsOnFloor)(edict_t *);                                   // 25
    int (*pfnDropToFloor)(edict_t *);                                    // 26
    int (*pfnWalkMove)(edict_t *, float, float, int);                    // 27
    void (*pfnSetOrigin)(edict_t *, const float *);                      // 28
    void (*pfnEmitSound)(edict_t *, int, const char *, float, float, int, int); // 29
    void (*pfnEmitAmbientSound)(edict_t *, float *, const char *, float, float, int, int); // 30
    void (*pfnTraceLine)(const float *, const float *, int, edict_t *, TraceResult *); // 31
    void (*pfnTraceToss)(edict_t *, edict_t *, TraceResult *);           // 32
    int (*pfnTraceMonsterHull)(edict_t *, const float *, const float *, int, edict_t *, TraceResult *); // 33
    void (*pfnTraceHull)(const float *, const float *, int, int, edict_t *, TraceResult *); // 34
    void (*pfnTraceModel)(const float *, const float *, int, edict_t *, TraceResult *); // 35
    const char *(*pfnTraceTexture)(edict_t *, const float *, const float *); // 36
    void (*pfnTraceSphere)(const float *, const float *, int, float, edict_t *, TraceResult *); // 37
    void (*pfnGetAimVector)(edict_t *, float, float *);                  // 38
    void (*pfnServerCommand)(char *);                                    // 39
    void (*pfnServerExecute)(void);                                      // 40
    void (*pfnClientCommand)(edict_t *, char *, ...);                    // 41
    void (*pfnParticleEffect)(const float *, const float *, float, float); // 42
    void (*pfnLightStyle)(int, char *);                                  // 43
    int (*pfnDecalIndex)(const char *);                                  // 44
    int (*pfnPointContents)(const float *);                              // 45
    void (*pfnMessageBegin)(int, int, const float *, edict_t *);         // 46
    void (*pfnMessageEnd)(void);                                         // 47
    void (*pfnWriteByte)(int);                                           // 48
    void (*pfnWriteChar)(int);                                           // 49
    void (*pfnWriteShort)(int);                                          // 50
    void (*pfnWriteLong)(int);                                           // 51
    void (*pfnWriteAngle)(float);                                        // 52
    void (*pfnWriteCoord)(float);                                        // 53
    void (*pfnWriteString)(const char *);                                // 54
    void (*pfnWriteEntity)(int);                                         // 55
    void (*pfnCVarRegister)(cvar_t *);                                   // 56
    float (*pfnCVarGetFloat)(const char *);                              // 57
    const char *(*pfnCVarGetString)(const char *);                       // 58
    void (*pfnCVarSetFloat)(const char *, float);                        // 59
    void (*pfnCVarSetString)(const char *, const char *);                // 60
    void (*pfnAlertMessage)(ALERT_TYPE, char *, ...);                    // 61
    void (*pfnEngineFprintf)(void *, char *, ...);                       // 62
    void *(*pfnPvAllocEntPrivateData)(edict_t *, int32_t);               // 63
    void *(*pfnPvEntPrivateData)(edict_t *);                             // 64
    void (*pfnFreeEntPrivateData)(edict_t *);                            // 65
    const char *(*pfnSzFromIndex)(int);                                  // 66
    int (*pfnAllocString)(const char *);                                 // 67
    struct entvars_s *(*pfnGetVarsOfEnt)(edict_t *);                     // 68
    edict_t *(*pfnPEntityOfEntOffset)(int);                              // 69
    int (*pfnEntOffsetOfPEntity)(const edict_t *);                       // 70
    int (*pfnIndexOfEdict)(const edict_t *);                             // 71
    edict_t *(*pfnPEntityOfEntIndex)(int);                               // 72
    edict_t *(*pfnFindEntityByVars)(struct entvars_s *);                 // 73
    void *(*pfnGetModelPtr)(edict_t *);                                  // 74
    int (*pfnRegUserMsg)(const char *, int);                             // 75
    void (*pfnAnimationAutomove)(const edict_t *, float);                // 76
    void (*pfnGetBonePosition)(const edict_t *, int, float *, float *);  // 77
    uint32_t (*pfnFunctionFromName)(const char *);                       // 78
    const char *(*pfnNameForFunction)(uint32_t);                         // 79
    void (*pfnClientPrintf)(edict_t *, PRINT_TYPE, const char *);        // 80
    void (*pfnServerPrint)(const char *);                                // 81
    const char *(*pfnCmd_Args)(void);                                    // 82
    const char *(*pfnCmd_Argv)(int);                                     // 83
    int (*pfnCmd_Argc)(void);                                            // 84
    void (*pfnGetAttachment)(const edict_t *, int, float *, float *);    // 85
    void (*pfnCRC32_Init)(CRC32_t *);                                    // 86
    void (*pfnCRC32_ProcessBuffer)(CRC32_t *, void *, int);              // 87
    void (*pfnCRC32_ProcessByte)(CRC32_t *, unsigned char);              // 88
    CRC32_t (*pfnCRC32_Final)(CRC32_t);                                  // 89
    int32_t (*pfnRandomLong)(int32_t, int32_t);                          // 90
    float (*pfnRandomFloat)(float, float);                               // 91
    void (*pfnSetView)(const edict_t *, const edict_t *);                // 92
    float (*pfnTime)(void);                                              // 93
    void (*pfnCrosshairAngle)(const edict_t *, float, float);            // 94
    byte *(*pfnLoadFileForMe)(char *, int *);                            // 95
    void (*pfnFreeFile)(void *);                                         // 96
    void (*pfnEndSection)(const char *);                                 // 97
    int (*pfnCompareFileTime)(char *, char *, int *);                    // 98
    void (*pfnGetGameDir)(char *);                                       // 99
    void (*pfnCvar_RegisterVariable)(cvar_t *);                          // 100
    void (*pfnFadeClientVolume)(const edict_t *, int, int, int, int);    // 101
    void (*pfnSetClientMaxspeed)(const edict_t *, float);                // 102
    edict_t *(*pfnCreateFakeClient)(const char *);                       // 103
    void (*pfnRunPlayerMove)(edict_t *, const float *, float, float, float, unsigned short, byte, byte); // 104
    int (*pfnNumberOfEntities)(void);                                    // 105
    char *(*pfnGetInfoKeyBuffer)(edict_t *);                             // 106
    char *(*pfnInfoKeyValue)(char *, char *);                            // 107
    void (*pfnSetKeyValue)(char *, char *, char *);                      // 108
    void (*pfnSetClientKeyValue)(int, char *, char *, char *);           // 109
    int (*pfnIsMapValid)(char *);                                        // 110
    void (*pfnStaticDecal)(const float *, int, int, int);                // 111
    int (*pfnPrecacheGeneric)(char *);                                   // 112
    int (*pfnGetPlayerUserId)(edict_t *);                                // 113
    void (*pfnBuildSoundMsg)(edict_t *, int, const char *, float, float, int, int, int, int, const float *, edict_t *); // 114
    int (*pfnIsDedicatedServer)(void);                                   // 115
    cvar_t *(*pfnCVarGetPointer)(const char *);                          // 116
    unsigned int (*pfnGetPlayerWONId)(edict_t *);                        // 117
    void (*pfnInfo_RemoveKey)(char *, const char *);                     // 118
    const char *(*pfnGetPhysicsKeyValue)(const edict_t *, const char *); // 119
    void (*pfnSetPhysicsKeyValue)(const edict_t *, const char *, const char *); // 120
    const char *(*pfnGetPhysicsInfoString)(const edict_t *);             // 121
    unsigned short (*pfnPrecacheEvent)(int, const char *);               // 122
    void (*pfnPlaybackEvent)(int, const edict_t *, unsigned short, float, float *, float *, float, float, int, int, int, int); // 123
    unsigned char *(*pfnSetFatPVS)(float *);                             // 124
    unsigned char *(*pfnSetFatPAS)(float *);                             // 125
    int (*pfnCheckVisibility)(const edict_t *, unsigned char *);         // 126
    void (*pfnDeltaSetField)(struct delta_s *, const char *);            // 127
    void (*pfnDeltaUnsetField)(struct delta_s *, const char *);          // 128
    void (*pfnDeltaAddEncoder)(char *, void (*)(struct delta_s *, const unsigned char *, const unsigned char *)); // 129
    int (*pfnGetCurrentPlayer)(void);                                    // 130
    int (*pfnCanSkipPlayer)(const edict_t *);                            // 131
    int (*pfnDeltaFindField)(struct delta_s *, const char *);            // 132
    void (*pfnDeltaSetFieldByIndex)(struct delta_s *, int);              // 133
    void (*pfnDeltaUnsetFieldByIndex)(struct delta_s *, int);            // 134
    void (*pfnSetGroupMask)(int, int);                                   // 135
    int (*pfnCreateInstancedBaseline)(int, struct entity_state_s *);     // 136
    void (*pfnCvar_DirectSet)(struct cvar_s *, char *);                  // 137
    void (*pfnForceUnmodified)(FORCE_TYPE, float *, float *, const char *); // 138
    void (*pfnGetPlayerStats)(const edict_t *, int *, int *);            // 139
    void (*pfnAddServerCommand)(char *, void (*)(void));                 // 140
    qboolean (*pfnVoice_GetClientListening)(int, int);                   // 141
    qboolean (*pfnVoice_SetClientListening)(int, int, qboolean);         // 142
    const char *(*pfnGetPlayerAuthId)(edict_t *);                        // 143
    struct sequenceEntry_s *(*pfnSequenceGet)(const char *, const char *); // 144
    struct sentenceEntry_s *(*pfnSequencePickSentence)(const char *, int, int *); // 145
    int (*pfnGetFileSize)(char *);                                       // 146
    unsigned int (*pfnGetApproxWavePlayLen)(const char *);               // 147
    int (*pfnIsCareerMatch)(void);                                       // 148
    int (*pfnGetLocalizedStringLength)(const char *);                    // 149
    void (*pfnRegisterTutorMessageShown)(int);                           // 150
    int (*pfnGetTimesTutorMessageShown)(int);                            // 151
    void (*pfnProcessTutorMessageDecayBuffer)(int *, int);               // 152
    void (*pfnConstructTutorMessageDecayBuffer)(int *, int);             // 153
    void (*pfnResetTutorMessageDecayData)(void);                         // 154
    void (*pfnQueryClientCvarValue)(const edict_t *, const char *);      // 155
    void (*pfnQueryClientCvarValue2)(const edict_t *, const char *, int); // 156
    int (*pfnEngCheckParm)(const char *, char **);                       // 157
} enginefuncs_t;

// The classic engine hands over 157 entries; only these are copied, so that a
// table from an old engine is never read past its end.
constexpr std::size_t kEngineFuncsClassicCount = 157;
constexpr std::size_t kEngineFuncsClassicBytes = kEngineFuncsClassicCount * sizeof(void *);
