// One check of a medium, as the command line asks for it: observe, predict, find, report.
#pragma once

#include "options.h"

#include <string>

// Checks the medium (a directory, or on the build machine a disc image), reported as the medium
// shownAs (empty: as given). Prints the report and returns the exit status; errors tells whether
// an error finding was made.
int CheckMedium(const Options &options, const std::string &medium, const std::string &shownAs,
                bool *errors);
