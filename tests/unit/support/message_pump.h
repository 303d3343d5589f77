// The host's side of Windows thread timers: a server's main loop dispatching
// its thread's messages (here, for a while); and the session the process
// runs in.  Kept apart from the plugin's headers, which windows.h does not
// mix with.
#pragma once

void DispatchThreadMessagesFor(unsigned milliseconds);

// ProcessIdToSessionId of this process; false when the system does not say.
bool ReadOwnSessionId(unsigned long *session);
