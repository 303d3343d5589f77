// The build of the resource database: scans the game's models (and, while
// zeq_kestrin_proc_spr is above 0, sprites), writes the database files and
// marks them.
#pragma once

// True when mdlbase.kts (and, with sprites on, sprbase.kts) was written and
// marked.  A marked (read-only) file is never rewritten: the build then
// returns false without a message.
bool BuildDatabase();
