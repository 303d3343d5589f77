// The configuration-line token reader, the white-space trim and the decimal
// number conversions over arbitrary lines (exact-size, NUL-terminated
// copies).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/token.h"
#include "engine/decimal_text.h"
#include "engine/numeric.h"
#include "engine/engine_services.h"
#include "fuzz_support.h"

namespace {
char *Copy(const uint8_t *data, size_t size) {
    char *copy = new char[size + 1];
    if (size > 0) std::memcpy(copy, data, size);
    copy[size] = '\0';
    return copy;
}

void CheckTrimmed(const char *text, const char *what) {
    const std::size_t length = std::strlen(text);
    if (length > 0 && (IsWhiteSpace(text[0]) || IsWhiteSpace(text[length - 1]))) fuzz::Fail(what, text);
}

// The two conversions read the same digits: the real one, truncated, lies
// within one of the whole one (rounding may carry ".999..." up), and it is
// always a finite number.
void CheckNumbers(const char *text) {
    const double real = DecimalToReal(text);
    if (!(real - real == 0.0)) fuzz::Fail("a conversion gave no finite number", text);
    const int64_t whole = DecimalToInt32(text);
    const int64_t truncated = TruncateToInt32(real);
    if (truncated - whole > 1 || whole - truncated > 1) fuzz::Fail("the conversions disagree", text);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Engine();
    char *line = Copy(data, size);
    const std::string original(line);

    static const int kIndexes[] = {-1, 0, 1, 2, 5, 40};
    for (int index : kIndexes) {
        for (int strip = 0; strip < 2; ++strip) {
            const char *token = GetToken(line, index, strip != 0);
            if (token == nullptr) fuzz::Fail("null token", original);
            if (std::memchr(token, '\0', kTokenSize) == nullptr) fuzz::Fail("token not terminated within its size", original);
            CheckTrimmed(token, "token with white space at an end");
            if (index < 0 && token[0] != '\0') fuzz::Fail("token for a negative index", original);
            if (std::strcmp(line, original.c_str()) != 0) fuzz::Fail("the line was changed", original);
            CheckNumbers(token);
        }
    }
    CheckNumbers(line);

    // The trim keeps a contiguous part of the text and only drops white space.
    TrimSpaces(line);
    CheckTrimmed(line, "white space left at an end after the trim");
    const std::size_t length = std::strlen(line);
    const std::size_t start = original.find_first_not_of(" \t\r\n\v\f");
    if (length == 0) {
        if (start != std::string::npos) fuzz::Fail("trim removed more than white space", original);
    } else if (start == std::string::npos || original.compare(start, length, line) != 0) {
        fuzz::Fail("trim result is not the text between its white space", original);
    }
    delete[] line;
    return 0;
}
