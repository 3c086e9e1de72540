// Each build's readers of a package, which ReadPackage calls: on the build machine libmsi and the
// version resource's bytes as the program image reader found them; on Windows msi.dll and the
// version API, which read the file themselves.
#pragma once

#include "../model/observation.h"

#include <string>

// An MSI's properties, summary and Registry rows; false when it is not an MSI database.
bool ReadMsi(const std::string &file, MsiContents *msi);
// A program's fixed and string versions; resource is its RT_VERSION resource, as stored.
void ReadProgramVersion(const std::string &file, const std::string &resource, ExeContents *exe);
