// A program (.exe) as the runtime package: its headers, machine type, manifest and version
// resource. A program says nothing the check can read of what it records.
#pragma once

#include "../model/package_facts.h"

#include <string>

PackageFacts ReadProgramPackage(const std::string &file);
