// Read-back of the resource database: every model and sprite record is
// judged from its recorded length, given a figure from values the engine
// reports, and logged as caught or failed.  Only log lines come out of it.
#pragma once

#include <cstddef>

#include "sdk/engine.h"

// Tokens are read into a buffer of this size.  Every file name a directory
// search can return (at most 259 characters on Windows, 255 on POSIX) fits
// whole; a longer token can only come from a hand-edited file and fills the
// buffer: such a record is skipped without a line.
constexpr std::size_t kTokenSize = 512;
// "sprites/" and any token that fits the token buffer.
constexpr std::size_t kSpritePathSize = kTokenSize + 8;

// Reads mdlbase.kts (six tokens a record) and, while zeq_kestrin_proc_spr is
// above 0, sprbase.kts (three tokens a record), processing each record.
void ProcessDatabase();

// Tokens 1, 3, 4, 5 and 6 of a model record.
void ProcessModel(const char *szName, const char *szLength, const char *szTag, const char *szFactor,
                  const char *szDivisor);
// (idx + cnt) * factor / truncated divisor; 0 for an empty tag or a divisor
// that truncates to 0.
int ModelFigure(int iIndex, int iCount, edict_t *pEntity, double dDivisor, int iFactor, const char *szTag);

// Tokens 1, 2 and 3 of a sprite record.
void ProcessSprite(const char *szName, const char *szLength, const char *szDivisor);
// size / divisor when the divisor is not 0 and the size above 0; else 0.
int SpriteFigure(int iDivisor, edict_t *pEntity, int iFileSize);
