// Server presets, bots support and the game-version report.
#pragma once

int ApplyServerPreset(bool bStrengthen);
int SetBotsSupport(bool bEnable);
void DetectGameVersion();
