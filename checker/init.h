// medium-check init: a medium laid out from a package and the loader, checked before it is kept.
#pragma once

#include "options.h"

// Lays out options.medium, prints the check's report and returns the exit status: kExitWorks,
// kExitError when the check finds an error (and nothing is written), or kExitUsage.
int RunInit(const Options &options);
