// The command file kestrin.cfg and the profile file kestrin.ini.
#pragma once

// Reads both files (every map start).
void ReadConfigFiles();
