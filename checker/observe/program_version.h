// A program's version resource, one implementation per build: on the build machine its bytes
// parsed as the version API parses them, on Windows the version API itself.
#pragma once

#include "program_image.h"

#include <string>

// The fixed and string versions; resource is its RT_VERSION resource, as stored, which the
// Windows build does not need (it reads the file itself).
void ReadProgramVersion(const std::string &file, const std::string &resource,
                        ProgramImage *program);
