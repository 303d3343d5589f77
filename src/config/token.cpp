#include "config/token.h"

#include <cstring>

#include "engine/engine_services.h"

namespace {
char s_token[kTokenSize];

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }
}  // namespace

const char *GetToken(const char *szLine, int index, bool bStripLast) {
    s_token[0] = '\0';
    if (szLine == nullptr || index < 0) return s_token;
    const char *p = szLine;
    for (int current = 0;; ++current) {
        while (IsSeparator(*p)) ++p;
        if (*p == '\0') return s_token;
        const char *start;
        const char *end;
        if (*p == '"') {
            start = ++p;
            while (*p != '\0' && *p != '"') ++p;
            end = p;
            if (*p == '"') ++p;
        } else {
            start = p;
            while (*p != '\0' && !IsSeparator(*p)) ++p;
            end = p;
        }
        if (current == index) {
            std::size_t length = static_cast<std::size_t>(end - start);
            if (length > kTokenSize - 1) length = kTokenSize - 1;
            if (bStripLast && length > 0) --length;
            std::memcpy(s_token, start, length);
            s_token[length] = '\0';
            TrimSpaces(s_token);
            return s_token;
        }
    }
}
