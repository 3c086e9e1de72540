// A program's headers and resources, read from the file a bounded piece at a time: the same
// reader on both builds, since Windows offers no call that tells a truncated program from one
// that is not a program at all.
#pragma once

#include "../model/observation.h"

#include <string>

// Its headers, its machine type and its manifest's requestedExecutionLevel in contents; its
// RT_VERSION resource's bytes, as stored, in versionResource (empty when it has none).
void ReadProgramImage(const std::string &file, ExeContents *contents, std::string *versionResource);

// Whether the file is a program whose headers name no certificate table: an unsigned program,
// told from its headers alone.
bool LacksCertificateTable(const std::string &file);
