#include "engine/message_table.h"

#include <cstring>
#include <vector>

#include "engine/engine_services.h"

namespace {
constexpr std::size_t kLookupSize = 1024;

std::vector<tLanguage> *s_pMessages = nullptr;
char s_lookup[kLookupSize];

char *CopyText(const char *text) {
    const std::size_t length = std::strlen(text);
    char *copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

// Copies at most kLookupSize - 1 characters and terminates.
void CopyBounded(char *out, const char *in) {
    std::strncpy(out, in, kLookupSize - 1);
    out[kLookupSize - 1] = '\0';
}
}  // namespace

void CreateMessageTable() {
    if (s_pMessages == nullptr) s_pMessages = new std::vector<tLanguage>();
}

void DestroyMessageTable() {
    if (s_pMessages == nullptr) return;
    for (tLanguage &pair : *s_pMessages) {
        delete[] pair.szSource;
        delete[] pair.szTranslation;
    }
    delete s_pMessages;
    s_pMessages = nullptr;
}

void AddMessagePair(const char *szSource, const char *szTranslation) {
    if (s_pMessages == nullptr || szSource == nullptr || szTranslation == nullptr) return;
    s_pMessages->push_back(tLanguage{CopyText(szSource), CopyText(szTranslation)});
}

const char *LookupMessage(const char *szText) {
    if (szText == nullptr) return "";
    if (IsDedicated() || s_pMessages == nullptr || s_pMessages->empty()) return szText;

    // Where the trailing newlines of the text begin.
    const std::size_t length = std::strlen(szText);
    std::size_t tail = length == 0 ? 0 : length - 1;
    while (tail > 0 && szText[tail] == '\n') --tail;
    if (tail != 0) ++tail;

    CopyBounded(s_lookup, szText);
    TrimSpaces(s_lookup);
    for (const tLanguage &pair : *s_pMessages) {
        if (std::strcmp(pair.szSource, s_lookup) != 0) continue;
        CopyBounded(s_lookup, pair.szTranslation);
        if (tail != 0 && tail < length) {
            const std::size_t used = std::strlen(s_lookup);
            std::strncat(s_lookup, szText + tail, kLookupSize - 1 - used);
        }
        return s_lookup;
    }
    return szText;
}
