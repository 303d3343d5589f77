#include "config/auto_config.h"

void RunAutoConfig() {}
