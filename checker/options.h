// The checker's command line, filled by one parser, and what the command ends with.
#pragma once

#include "observe/observe.h"

#include <optional>
#include <string>

// The report's forms; Markdown only for the list of findings.
enum class Format { Text, Json, Sarif, Markdown };

// Exit statuses: the medium works, a finding fails it, the command line was wrong.
enum { kExitWorks = 0, kExitError = 1, kExitUsage = 2 };

struct Options {
    std::string medium; // the medium's directory; on Windows, empty means the program's own
    std::optional<InstalledGiven> installed; // instead of the machine's record
    std::optional<std::string> records;      // what the package records once it has run
    Format format = Format::Text;
    bool strict = false;       // warnings count as errors in the exit status
    int view = 32;             // Windows: the registry view of the loader the prediction is for
    Machine machine;           // the build machine: the Windows the prediction is for
    bool listFindings = false; // print the rules table instead of checking a medium
    // init: lay out a medium in the directory medium from a package, then check it.
    bool init = false;
    std::string package;                // the runtime package to put on the medium
    std::string loader;                 // the loader to copy; empty: the one beside the checker
    std::optional<std::string> regPath; // RegPath and Version to write, instead of the package's
    std::optional<std::string> version;
    bool force = false;             // overwrite an autorun.inf already there
    std::optional<std::string> iso; // also write the medium as a disc image there
};

// Fills options from the command line. Returns -1 to go on, or the exit status to end with
// (kExitWorks after --help, kExitUsage after a message for bad usage).
int ParseOptions(int argc, char **argv, Options *options);
