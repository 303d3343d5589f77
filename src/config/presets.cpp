#include "config/presets.h"

int ApplyServerPreset(bool bStrengthen) {
    (void)bStrengthen;
    return 1;
}

int SetBotsSupport(bool bEnable) {
    (void)bEnable;
    return 1;
}

void DetectGameVersion() {}
