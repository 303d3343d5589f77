// The plugin's console commands: the information dispatcher, the three
// switches and, in standalone mode, the `meta` notice.
#pragma once

void InfoCommand();
void StrengtheningCommand();
void PremonitorCommand();
void BotsSupportCommand();
void StandaloneMetaNotice();
