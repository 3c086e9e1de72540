// The machine the loader's own readers read, one implementation per build: on the build machine
// the simulated Windows, reset for each check as the command line describes the machine, with the
// medium at the root of its drive E:; on Windows the machine the checker runs on.
#pragma once

#include "../model/machine.h"

#include <string>

// Makes the machine ready for a check and gives it as it is: the one described on the build
// machine, this one on Windows.
Machine PrepareMachine(const Machine &described);

// Lets the machine's readers read a medium's file at its Windows path: on the build machine it is
// given to the simulated Windows; on Windows it is there already.
void ShowToMachine(const std::string &path, const std::string &bytes);

// A scratch copy of a descriptor holding these bytes, where the machine's reader reads it; its
// path, empty when none could be made. RemoveScratchCopy removes it again.
std::string WriteScratchCopy(const std::string &bytes);
void RemoveScratchCopy(const std::string &path);

// The directory the checker's own program is in.
std::string CheckerDirectory();
