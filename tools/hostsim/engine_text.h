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

}  // namespace hostsim
