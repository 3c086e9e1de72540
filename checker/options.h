// The checker's command line, filled by one parser.
#pragma once

#include "model/finding.h"

#include <optional>
#include <string>

struct Options {
    std::string medium; // the medium's directory; on Windows, empty means the program's own
    std::optional<std::string> installed; // the installed version's text, instead of the machine's
    bool notInstalled = false;            // nothing installed, instead of the machine's record
    std::optional<std::string> records;   // what the package records once it has run
    bool json = false;
    bool strict = false;       // warnings count as errors in the exit status
    int view = 32;             // Windows: the registry view of the loader the prediction is for
    bool listFindings = false; // print the rules table instead of checking a medium
};

// Fills options from the command line. Returns -1 to go on, or the exit status to end with
// (kExitWorks after --help, kExitUsage after a message for bad usage).
int ParseOptions(int argc, char **argv, Options *options);
