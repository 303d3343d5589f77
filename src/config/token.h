// Tokens of a configuration line.
#pragma once

constexpr int kTokenSize = 256;

// Copies the index-th token of szLine (from 0) into one shared buffer of
// kTokenSize characters and returns it; the next call overwrites it.  Tokens
// are separated by spaces and tabs; a token that begins with a double quote
// runs to the next double quote (or the end of the line) without both
// quotes.  With bStripLast the last character is dropped.  The result is
// then trimmed of white space at both ends.  A missing token gives "".
const char *GetToken(const char *szLine, int index, bool bStripLast);
