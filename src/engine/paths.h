// Paths of the plugin's files, relative to the server's working directory and
// built with the platform's separator: "<game>/addons/zeq_kestrin/<dir>[/<file>]".
#pragma once

#include <cstddef>

// Returns false (and an empty text) when the path does not fit.
bool PluginPath(char *szOut, std::size_t size, const char *szDirectory, const char *szFile = nullptr);
// "<game>/addons/zeq_kestrin" itself.
bool PluginRootPath(char *szOut, std::size_t size);
// "<game>/<directory>/<file>" (for example the game's models or dlls).
bool GamePath(char *szOut, std::size_t size, const char *szDirectory, const char *szFile);
