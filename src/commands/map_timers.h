// The three one-shot system timers started at every map start: the resource
// database step (1 s), the automatic configuration (1 s) and the high-ping
// kicker setup (10 s).  Each callback acts only on the timer message,
// remembers the identifier it received, stops its timer and runs its job once.
// A timer the system cannot give is reported with what is skipped.
#pragma once

void StartMapTimers();
// Stops every system timer of the plugin (the map timers, the kicker's
// re-send timer): at detach and unload, on the host's main thread, so that
// none fires into an unloaded library.
void StopAllPluginTimers();
