// Lays out the fixtures that readers_probe queries.
#pragma once

// On the host the fixture file is loaded into the simulated world; on Windows the harness has
// already laid it out on the real machine.
void PrepareWorld(const char *fixturesPath);

// The ANSI code page the queries that follow are made in. The simulated world switches to it; on
// Windows the harness has started the probe in a locale that has it.
void UseCodePage(unsigned codePage);
