// The metrics file: with zeq_kestrin_metrics 1, the server's figures in
// Prometheus' text exposition format, for the textfile collector of
// node_exporter or windows_exporter.  One file a server of the machine,
// zeq_kestrin_<port>.prom, or zeq_kestrin_<address>_<port>.prom for a server
// bound to one address (the engine's `ip`), in zeq_kestrin_metrics_dir,
// rewritten whole at each map start and each governor check (never on the
// per-frame path): written to a temporary file of this process in the same
// directory, created exclusively and never through a link, then put in the
// file's place, so that a scrape never reads half a file.  The map start
// also removes the temporary files of this server's name left by ended
// processes.  A failed write is reported once per map and switches the
// metrics off.
//
// The directory lies inside the game directory: a value naming a place
// outside it (absolute, a drive letter, a ".." component) is refused with a
// warning and the variable keeps its previous value, so that whoever can set
// variables (rcon) gets no file write elsewhere.  An exporter's directory
// elsewhere is reached through a directory link the operator makes in the
// game directory.
#pragma once

#include <cstddef>

#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/metrics_text.h"

// The server's port as the engine opened it: ip_hostport, then hostport,
// then port (the first that exists and is not 0); 27015 when none is set.
unsigned ServerPort();
// The address the server is bound to, from the engine's `ip` (letters,
// digits, '.' and '-' kept, anything else as '_', at most 63 characters);
// "" when it takes every address (`ip` missing, empty, localhost or 0.0.0.0).
void ServerAddress(char *szOut, std::size_t size);

// True when the directory setting names a place inside the game directory.
bool MetricsDirectoryAllowed(const char *szSetting);

// The map start, from the frame statistics' own (before the map's
// configuration runs), with their figures as the map starts.
void MetricsMapStart(const FrameDiagnostics &diagnostics);
// The frame statistics hand each closed window over, and their figures once
// the check has steered the rate.
void MetricsTakeWindow(const IntervalHistogram &window);
void MetricsTakeDiagnostics(const FrameDiagnostics &diagnostics);
// Called by the governor after each check, once the frame statistics have
// handed over the window and their figures.
void MetricsAfterCheck(const CheckFigures &figures);
// Forgets everything (tests run several sessions in one process).
void ResetMetricsForTests();
