// Reads, once and up front, everything the prediction needs from the machine the checker runs
// on, through the loader's own readers.
#pragma once

#include "../model/observation.h"

#include <string>

// What to read: the medium, whether this machine's registry is read (not when the command line
// gives the installed version), and the registry view of the loader the prediction is for.
struct ObserveRequest {
    std::string medium; // the medium's directory; on Windows, empty means the checker's own
    bool recordGiven = false;
    int view = 32;
};

// false and a message when the medium cannot be read.
bool Observe(const ObserveRequest &request, Observation *observation, std::string *error);

// The medium as the reports name it: as given, absolute, and from the current directory.
void NameMedium(const std::string &medium, Observation *observation);
