// The message table: ordered pairs of a source text and its translation.  The
// plugin ships no pairs, so every look-up returns its text unchanged; the
// look-up is the one place where console and player prints could be
// translated.
#pragma once

struct tLanguage {
    const char *szSource;
    const char *szTranslation;
};

void CreateMessageTable();
void DestroyMessageTable();
// Adds a pair (tests; the plugin itself adds none).  Both texts are copied.
void AddMessagePair(const char *szSource, const char *szTranslation);
const char *LookupMessage(const char *szText);
