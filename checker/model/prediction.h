// What the loader will do with the observed medium and machine, as its own functions decide.
// Causes are kept as values; the report puts them into words.
#pragma once

#include "described.h"
#include "observation.h"

#include <optional>
#include <string>
#include <vector>

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
#define END_ROWS(X)                                                                                \
    X(IncompleteDescriptor, "incomplete-descriptor", "nothing, descriptor incomplete")             \
    X(UpToDate, "up-to-date", "nothing, up to date")                                               \
    X(Install, "install", "install")
DESCRIBED_ENUM(End, END_ROWS)

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
    int missingKey = 0; // a key of kDescriptorKeys
    int order = 0;      // CompareVersions(travelling, installed)
};

// Where the package runs from when installation is due.
#define LAUNCH_SITE_ROWS(X)                                                                        \
    X(Staging, "staging", "runs from")                                                             \
    X(Medium, "medium", "runs in place from")                                                      \
    X(Nowhere, "nowhere", "nothing is launched")
DESCRIBED_ENUM(LaunchSite, LAUNCH_SITE_ROWS)

enum class LaunchCause {
    SourceTooLong,      // the package's path beside the loader does not fit: nothing runs
    PackageMissing,     // no file there: the copy and the launch fail
    NoTempDirectory,    // no temporary directory to stage in
    LeavesDirectory,    // the name leaves the loader's directory: never staged
    InSubDirectory,     // the name holds a sub-directory, which a new directory lacks: never staged
    StagingTooLong,     // the staging path, with the staging directory's name, does not fit
    NoStagingDirectory, // the temporary directory does not exist: no staging directory is made
    Staged              // a copy alone in a new directory of the temporary directory, both removed
                        // after the package ends
};

struct PackageLaunch {
    LaunchSite site = LaunchSite::Nowhere;
    LaunchCause cause = LaunchCause::Staged;
    std::string path;             // what is launched
    std::string stagingPath;      // the staging copy's path, when one can be formed
    std::string stagingDirectory; // where its staging directory is made: the temporary directory
    FileKind package = FileKind::Unknown;
};

// Why the package the loader launches installs nothing and records nothing, whatever its records
// say: it reads files from beside itself, which its staged copy lacks; it installs without
// elevation and cannot write HKLM, so it rolls back.
#define INSTALL_FAILURE_ROWS(X)                                                                    \
    X(SourceMissing, "source-missing", "the staged copy finds no source for its files beside it")  \
    X(CannotWriteMachine, "cannot-write-hklm",                                                     \
      "it installs without elevation, cannot write HKLM and rolls back")
DESCRIBED_ENUM(InstallFailure, INSTALL_FAILURE_ROWS)

struct NextStart {
    Reading recorded; // what the package records; where its install fails, what this start read
    Decision decision;
};

// Where a value a package records lands, against where the loader reads: HKLM\Software\<RegPath>
// value Version in the loader's view; the same key and value in the view the loader does not
// read; under the user's hive or another root; a value Version under another key; the loader's
// key, another value name.
#define LANDING_ROWS(X)                                                                            \
    X(Loader, "loader", "where the loader reads")                                                  \
    X(OtherView, "other-view", "in the other view")                                                \
    X(UserHive, "other-hive", "under another hive")                                                \
    X(OtherKey, "other-key", "under another key")                                                  \
    X(OtherName, "other-name", "under another value name")
DESCRIBED_ENUM(Landing, LANDING_ROWS)

// Whether a value has a name of its own or is its key's default value.
#define VALUE_NAMING_ROWS(X)                                                                       \
    X(Named, "named", "a named value")                                                             \
    X(Default, "default", "the key's default value")
DESCRIBED_ENUM(ValueNaming, VALUE_NAMING_ROWS)

// A value a package records that bears on the loader's value, where it lands.
struct PackageWrite {
    PackageRecord record;
    std::string key;          // in its view: an explicit WOW6432Node is gone on 64-bit Windows
    bool throughNode = false; // the key named WOW6432Node, which 64-bit Windows took as the view
    std::string data; // the record's bytes up to the first zero byte: the text the loader takes
    int view = 32;
    Landing landing = Landing::Loader;
};

// What a package leaves for the loader to read.
struct PackageRecords {
    std::vector<PackageWrite> writes;  // every record that bears on the loader's value, in order
    std::optional<PackageWrite> write; // the first one the loader reads
};

struct Prediction {
    VersionReading travelling;
    std::optional<Reading> installed;
    std::optional<Reading> otherView;
    Decision decision;
    std::optional<PackageLaunch> launch;
    std::optional<Record> recordsGiven; // what the command line says the package records
    std::optional<NextStart> next;      // when a record is known and this start installs
    bool nextUnknown = false; // this start runs a package whose records the check cannot read
    std::optional<PackageRecords> package; // what the package records, where it can be read
    std::vector<InstallFailure> failures;  // why its install records nothing, where it fails
};
