// Reads, once and up front, everything the prediction needs from the machine the checker runs
// on, through the loader's own readers.
#pragma once

#include "../model/machine.h"
#include "../model/observation.h"

#include <optional>
#include <string>

// What the command line says is installed, instead of this machine's record: a text, or nothing.
struct InstalledGiven {
    std::optional<std::string> text;
};

// What to read: the medium, what the command line gives instead of the registry, the registry
// view of the loader the prediction is for, and the machine it is for where it is not this one.
struct ObserveRequest {
    std::string medium; // the medium's directory or image; on Windows, empty: the checker's own
    std::optional<InstalledGiven> installed;
    int view = 32;
    Machine machine;
};

// false and a message when the medium cannot be read.
bool Observe(const ObserveRequest &request, Observation *observation, std::string *error);

// The medium as the reports name it: as given, absolute, and from the current directory.
void NameMedium(const std::string &medium, Observation *observation);
