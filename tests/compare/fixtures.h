// Lays out the fixtures that readers_probe queries.
#pragma once

// On the host the fixture file is loaded into the simulated world; on Windows the harness has
// already laid it out on the real machine.
void PrepareWorld(const char *fixturesPath);
