// RuntimePackage as machines of each of Windows' ANSI code pages read it and what it names there,
// one implementation per build: on the build machine the loader's own reader and the medium in
// the simulated Windows set to each code page; on Windows, whose code page is its own, the bytes
// of an ANSI autorun.inf (which no code page converts) or a UTF-16 one's text converted to each.
#pragma once

#include "medium.h"

#include "../model/observation.h"

#include <vector>

// Each reading's asHere is left for ReadPackageNames to set.
std::vector<NameReading> ReadNamesInCodePages(Medium &medium, const Observation &observation);

// The readings, each told whether it names what the machine's own code page names; none where the
// package's path does not name the medium.
std::vector<NameReading> ReadPackageNames(Medium &medium, const Observation &observation);
