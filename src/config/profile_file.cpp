#include "config/profile_file.h"

void ReadConfigFiles() {}
