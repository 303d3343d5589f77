// Server presets, bots support and the game-version report.
#pragma once

// Issues the ten strengthened (true) or standard (false) server settings as
// server commands; returns 1.
int ApplyServerPreset(bool bStrengthen);
// Checks for a bots add-on when bots support is switched on; without one,
// queues "zeq_kestrin_bots_support 0" and returns 0.
int SetBotsSupport(bool bEnable);
// Settles and announces the Counter-Strike version (once per game
// initialisation): a 1.6 server without "events/galil.sc" is a WON server.
void DetectGameVersion();
