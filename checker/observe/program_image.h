// A program's headers and resources, read from the file a bounded piece at a time: the same
// reader on both builds, since Windows offers no call that tells a truncated program from one
// that is not a program at all.
#pragma once

#include "../model/described.h"

#include <string>

// What a file named as a program is: one, empty, cut short, or without MZ and PE headers.
#define PROGRAM_STATE_ROWS(X)                                                                      \
    X(Program, "program", "a program")                                                             \
    X(Empty, "empty", "empty")                                                                     \
    X(Truncated, "truncated", "truncated")                                                         \
    X(NoHeaders, "no-headers", "without MZ and PE headers")
DESCRIBED_ENUM(ProgramState, PROGRAM_STATE_ROWS)

struct ProgramImage {
    ProgramState state = ProgramState::NoHeaders;
    int machine = 0;              // the COFF header's machine type
    bool hasVersion = false;      // a version resource was read
    std::string fixedFileVersion; // a.b.c.d from VS_FIXEDFILEINFO
    std::string fixedProductVersion;
    std::string fileVersion;    // the string table's FileVersion
    std::string productVersion; // and ProductVersion
    std::string executionLevel; // the manifest's requestedExecutionLevel; empty when none
};

// Its headers, its machine type and its manifest's requestedExecutionLevel in contents; its
// RT_VERSION resource's bytes, as stored, in versionResource (empty when it has none).
void ReadProgramImage(const std::string &file, ProgramImage *contents,
                      std::string *versionResource);

// Whether the file is a program whose headers name no certificate table: an unsigned program,
// told from its headers alone.
bool LacksCertificateTable(const std::string &file);
