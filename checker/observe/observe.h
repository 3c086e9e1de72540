// Reads, once and up front, everything the prediction needs from the machine the checker runs
// on, through the loader's own readers.
#pragma once

#include "../model/observation.h"
#include "../options.h"

#include <string>

// false and a message when the medium cannot be read.
bool Observe(const Options &options, Observation *observation, std::string *error);

// The medium as the reports name it: as given, absolute, and from the current directory.
void NameMedium(const std::string &medium, Observation *observation);
