// The plugin's console commands: the information dispatcher, the three
// switches and, in standalone mode, the `meta` notice.
#pragma once

// Handler of zeq_kestrin, zeq_kestrin_about, zeq_kestrin_help and
// zeq_kestrin_show: runs the action named by the command word.
void InfoCommand();
// The three switches: argument "0" or "1".
void StrengtheningCommand();
void PremonitorCommand();
void BotsSupportCommand();
// `meta` when the plugin runs without Metamod.
void StandaloneMetaNotice();

// The switches' states (0 or 1), for readers of the settings.
enum SwitchIndex { SWITCH_STRENGTHENING = 0, SWITCH_MONITOR, SWITCH_BOTS_SUPPORT, SWITCH_COUNT };
int SwitchState(int iSwitch);
// Puts every switch back to its load-time state 0 (tests run several
// sessions in one process).
void ResetSwitchesForTests();
