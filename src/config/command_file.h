// Files of console commands (kestrin.cfg, kestrin.acfg) in the plugin's
// configuration directory.
#pragma once

#include "log/file_handle.h"

// Closes file if it is open; with bOpen opens
// "<game>/addons/zeq_kestrin/configs/<fileName>" for reading ("rt").  When
// the file is not open afterwards, logs notFoundMessage as an error and
// returns false.
bool OpenConfigFile(const char *fileName, const char *notFoundMessage, CFileHandle &file, bool bOpen);

// Sends each line of an open command file as a server command: lines that
// are empty or begin with '/', a line end, a space or a tab are skipped;
// trailing white space is removed.  The caller closes the file.
void ExecuteCommandFile(CFileHandle &file);
