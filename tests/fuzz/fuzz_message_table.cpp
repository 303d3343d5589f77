// The message look-up on a listen server with a filled table: the result is a
// terminated text of the look-up's size, and a translated text keeps the
// line ends that followed the source.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/message_table.h"
#include "fuzz_support.h"

namespace {
constexpr std::size_t kLookupSize = 1024;

struct Pair {
    const char *source;
    const char *translation;
};
const std::string kLong(1100, 'L');
const Pair kPairs[] = {
    {"Hello", "Bonjour"},
    {"Server is full", "Le serveur est plein"},
    {"A", "Alpha"},
    {"%s joined", "%s est arrive"},
    {"Long", kLong.c_str()},
    {"Near", nullptr},  // a translation of 1020 characters, made below
};

std::string NearTranslation() { return std::string(1020, 'N'); }

void Setup(TestEngine &engine) {
    engine.dedicated = 0;
    CreateMessageTable();
    static const std::string near = NearTranslation();
    for (const Pair &pair : kPairs) AddMessagePair(pair.source, pair.translation != nullptr ? pair.translation : near.c_str());
}

const char *Translation(const std::string &trimmed) {
    static const std::string near = NearTranslation();
    for (const Pair &pair : kPairs)
        if (trimmed == pair.source) return pair.translation != nullptr ? pair.translation : near.c_str();
    return nullptr;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TestEngine &engine = fuzz::Engine();
    static const bool s_ready = (Setup(engine), true);
    (void)s_ready;

    char *text = new char[size + 1];
    if (size > 0) std::memcpy(text, data, size);
    text[size] = '\0';
    const std::string original(text);

    const char *result = LookupMessage(text);
    if (result == nullptr) fuzz::Fail("null look-up result", original);
    if (result != text) {
        if (std::memchr(result, '\0', kLookupSize) == nullptr) fuzz::Fail("look-up result not terminated", original);
        // Translated: the pair's text, then the input's trailing line ends
        // as far as they fit.
        std::string trimmed = original.substr(0, kLookupSize - 1);
        const std::size_t first = trimmed.find_first_not_of(" \t\r\n\v\f");
        const std::size_t last = trimmed.find_last_not_of(" \t\r\n\v\f");
        trimmed = first == std::string::npos ? "" : trimmed.substr(first, last - first + 1);
        const char *translation = Translation(trimmed);
        if (translation == nullptr) fuzz::Fail("translated a text that has no pair", original);
        const std::size_t newlines = original.size() - (original.find_last_not_of('\n') == std::string::npos
                                                            ? 0
                                                            : original.find_last_not_of('\n') + 1);
        std::string expected = std::string(translation).substr(0, kLookupSize - 1);
        // The walk back over the line ends stops at the first character, so
        // a one-character text before them keeps no tail.
        const std::size_t body = original.size() - newlines;
        if (newlines < original.size() && body > 1) expected += std::string(newlines, '\n');
        expected = expected.substr(0, kLookupSize - 1);
        if (expected != result) fuzz::Fail("translation without the source's trailing line ends", original);
    }
    delete[] text;
    return 0;
}
