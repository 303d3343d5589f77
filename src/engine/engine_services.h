// The thin layer through which every subsystem reaches the engine: variables,
// server commands, console and player prints, command registration, and small
// text and entity operations.  Handles that may be null are never
// dereferenced.
#pragma once

#include "sdk/engine.h"

#if defined(__GNUC__)
#  define ZK_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#  define ZK_PRINTF(fmt, args)
#endif

constexpr int kVarArgsSize = 3072;
constexpr int kServerCommandSize = 1024;
constexpr int kConsolePrintSize = 3072;
constexpr int kClientPrintSize = 2048;

// Variables.
void SetVariableText(cvar_t *handle, const char *text);
int VariableInt(const cvar_t *handle);      // float value truncated toward zero; 0 for a null handle
float VariableFloat(const cvar_t *handle);  // 0.0 for a null handle
const char *VariableText(const cvar_t *handle);  // "" for a null handle

// Commands and prints (the prints, which pass through the message table, in
// prints.cpp).
void IssueServerCommand(const char *szFormat, ...) ZK_PRINTF(1, 2);
void ConsolePrint(const char *szFormat, ...) ZK_PRINTF(1, 2);
void PluginPrint(const char *szFormat, ...) ZK_PRINTF(1, 2);
void ClientPrint(edict_t *pEntity, int iType, const char *szFormat, ...) ZK_PRINTF(3, 4);
void RegisterServerCommand(const char *szName, void (*pfnHandler)(void));

// Text and entities.
char *VarArgs(const char *szFormat, ...) ZK_PRINTF(1, 2);
bool IsEmptyText(const char *szText);
bool TextsEqual(const char *szFirst, const char *szSecond);
bool IsDedicated();
bool IsNullEntity(const edict_t *pEntity);
int PlayerIndex(const edict_t *pEntity);
void TrimSpaces(char *szText);
bool IsWhiteSpace(char c);

// The listen-server host (the player that connected from "loopback").
extern edict_t *g_pListenServerHost;
