// Text helpers shared by the fake engine's files: case-blind comparison as
// the engine does it, command splitting and formatting.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <memory>
#include <string>

namespace hostsim {

bool EqualNoCase(const char *a, const char *b);
bool LessNoCase(const char *a, const char *b);
std::unique_ptr<char[]> CopyText(const char *text);
std::string Trim(const std::string &text);
// The end of the command that starts at `begin`: a newline, or a ';' outside
// quotes, or the end of the text.
std::size_t CommandEnd(const std::string &text, std::size_t begin);
std::string FormatV(const char *format, va_list args);
// Quotes a string for a call record: "text" with \n, \t, \" and \\ escaped.
std::string QuoteArg(const char *text);

// Numbers read and written with '.' as the decimal point whatever the
// process's locale (hostsim --locale sets one, as an engine may).
// The engine's own reading of a variable's text: an optional sign, "0x" and
// hexadecimal digits, or decimal digits with an optional decimal part; it
// stops at the first other character (no exponent).
double EngineAtof(const char *text);
// The whole text as a number (exponents allowed); false when it is not one.
bool ParseNumberText(const std::string &text, double *value);
// "%.*f" with a point.
std::string FixedText(double value, int decimals);

}  // namespace hostsim
