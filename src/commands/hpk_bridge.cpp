#include "commands/hpk_bridge.h"

void HpkSetup() {}
