// Text helpers of the fake engine, its fatal error, and the quoted strings
// of its call records.
#include "engine/engine_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <sstream>

#include "engine/engine_sim.h"

namespace hostsim {

double EngineAtof(const char *text) {
    if (!text) return 0;
    while (*text == ' ' || *text == '\t') ++text;
    double sign = 1;
    if (*text == '-' || *text == '+') {
        if (*text == '-') sign = -1;
        ++text;
    }
    double value = 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        for (text += 2; std::isxdigit(static_cast<unsigned char>(*text)); ++text) {
            const char c = *text;
            value = value * 16 + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return sign * value;
    }
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + (*text - '0');
    if (*text == '.') {
        double scale = 1;
        for (++text; *text >= '0' && *text <= '9'; ++text) {
            scale /= 10;
            value += (*text - '0') * scale;
        }
    }
    return sign * value;
}

bool ParseNumberText(const std::string &text, double *value) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double parsed = 0;
    if (!(in >> parsed) || in.peek() != std::char_traits<char>::eof()) return false;
    *value = parsed;
    return true;
}

std::string FixedText(double value, int decimals) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.precision(decimals);
    out << value;
    return out.str();
}

bool EqualNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int x = std::tolower(static_cast<unsigned char>(*a));
        int y = std::tolower(static_cast<unsigned char>(*b));
        if (x != y) return false;
        if (!x) return true;
    }
}

bool LessNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int x = std::tolower(static_cast<unsigned char>(*a));
        int y = std::tolower(static_cast<unsigned char>(*b));
        if (x != y || !x) return x < y;
    }
}

std::unique_ptr<char[]> CopyText(const char *text) {
    std::size_t length = std::strlen(text);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    std::memcpy(copy.get(), text, length + 1);
    return copy;
}

std::string Trim(const std::string &text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

std::size_t CommandEnd(const std::string &text, std::size_t begin) {
    bool quoted = false;
    for (std::size_t i = begin; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') quoted = !quoted;
        if (c == '\n' || (c == ';' && !quoted)) return i;
    }
    return text.size();
}

std::string FormatV(const char *format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, static_cast<std::size_t>(length));
    std::string result(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(&result[0], result.size(), format, args);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

void EngineError(const char *format, ...) {
    std::fflush(stdout);
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    std::fprintf(stderr, "hostsim: %s\n", text.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string QuoteArg(const char *text) {
    if (!text) return "null";
    std::string out = "\"";
    for (const char *p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < ' ') {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

}  // namespace hostsim
