// The host's side of Windows thread timers: a server's main loop dispatching
// its thread's messages (here, for a while).  Kept apart from the plugin's
// headers, which windows.h does not mix with.
#pragma once

void DispatchThreadMessagesFor(unsigned milliseconds);
