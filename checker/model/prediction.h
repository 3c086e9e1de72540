// What the loader will do with the observed medium and machine, as its own functions decide.
// Causes are kept as values; the report puts them into words.
#pragma once

#include "observation.h"

#include <optional>
#include <string>

// A version text and what the loader's ordering makes of it.
struct VersionReading {
    std::string text;
    bool isVersion = false; // ordered as a version, not as "no version"
    std::string normalized; // NormalizeVersion's form; empty when rejected or over 32 characters
};

// A record and what the ordering makes of the version read from it.
struct Reading {
    Record record;
    VersionReading version;
};

// The ends of a run, less the one where another loader runs.
enum class End { IncompleteDescriptor, UpToDate, Install };

enum class Cause {
    DescriptorPathTooLong, // the path of autorun.inf does not fit a path buffer
    NoDescriptor,          // no autorun.inf beside the loader
    NoSection,             // autorun.inf has no section [autorun]
    MissingValue,          // a value is missing or empty: missingKey says which
    NotRead,               // no installed version was read: the record's state says why
    Ordered                // an installed version was read and ordered: order says how
};

struct Decision {
    End end = End::IncompleteDescriptor;
    Cause cause = Cause::NoDescriptor;
    int missingKey = 0; // index into kDescriptorKeys
    int order = 0;      // CompareVersions(travelling, installed)
};

enum class Place { Staging, Medium, Nowhere };

enum class PlaceCause {
    SourceTooLong,      // the package's path beside the loader does not fit: nothing runs
    PackageMissing,     // no file there: the copy and the launch fail
    LeavesDirectory,    // the name leaves the loader's directory: never staged
    NoTempDirectory,    // no temporary directory to stage in
    StagingTooLong,     // the staging path does not fit
    NoStagingDirectory, // the staging copy's directory does not exist: the copy fails
    Staged              // a copy in the temporary directory, deleted after the package ends
};

// Where the package runs from when installation is due.
struct Placement {
    Place place = Place::Nowhere;
    PlaceCause cause = PlaceCause::Staged;
    std::string path;             // what is launched
    std::string stagingPath;      // the staging copy's path, when one can be formed
    std::string stagingDirectory; // its directory
    FileKind package = FileKind::Unknown;
};

struct NextStart {
    Reading recorded;
    Decision decision;
};

struct Prediction {
    VersionReading travelling;
    std::optional<Reading> installed;
    std::optional<Reading> otherView;
    Decision decision;
    std::optional<Placement> placement;
    std::optional<NextStart> next; // when a record is given and this start installs
};
