// What the loader will do with the observed medium and machine, as its own functions decide.
// Causes are kept as values; the report puts them into words.
#pragma once

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

// Where the package runs from when installation is due.
enum class LaunchSite { Staging, Medium, Nowhere };

enum class LaunchCause {
    SourceTooLong,      // the package's path beside the loader does not fit: nothing runs
    PackageMissing,     // no file there: the copy and the launch fail
    NoTempDirectory,    // no temporary directory to stage in
    LeavesDirectory,    // the name leaves the loader's directory: never staged
    StagingTooLong,     // the staging path does not fit
    NoStagingDirectory, // the staging copy's directory does not exist: the copy fails
    Staged              // a copy in the temporary directory, deleted after the package ends
};

struct PackageLaunch {
    LaunchSite site = LaunchSite::Nowhere;
    LaunchCause cause = LaunchCause::Staged;
    std::string path;             // what is launched
    std::string stagingPath;      // the staging copy's path, when one can be formed
    std::string stagingDirectory; // its directory
    FileKind package = FileKind::Unknown;
};

struct NextStart {
    Reading recorded;
    Decision decision;
};

// The hive a Registry row writes, after Windows Installer has chosen root -1's.
enum class Hive { ClassesRoot, CurrentUser, LocalMachine, Users };

// Where Windows Installer installs a package, which decides root -1.
enum class InstallContext { PerUser, PerMachine };

// The type Windows Installer gives a value from its formatted text.
enum class RegistryType { String, ExpandString, MultiString, Dword, Binary };

// Where a Registry row of an MSI puts its value, against where the loader reads.
enum class Landing {
    Loader,    // HKLM\Software\<RegPath>, value Version, in the loader's view
    OtherView, // the same key and value in the view the loader does not read
    UserHive,  // the same key and value under the user's hive, or another root
    OtherKey,  // a value Version under another key
    OtherName  // the loader's key, another value name
};

// A Registry row that bears on the loader's value, its formatted texts resolved.
struct PackageWrite {
    std::string row;
    Hive hive = Hive::LocalMachine;
    bool byContext = false; // root -1: the install context chose the hive
    std::string key;        // in its view: an explicit WOW6432Node of a 64-bit row is gone
    std::string name;
    RegistryType type = RegistryType::String;
    std::string bytes; // what RegQueryValueExA returns to the loader for the value
    std::string data;  // those bytes up to the first zero byte: the text the loader takes
    int view = 32;
    bool win64 = false; // its component is marked 64-bit
    std::string condition;
    Landing landing = Landing::Loader;
};

// What an MSI leaves for the loader to read.
struct PackageRecords {
    InstallContext context = InstallContext::PerMachine;
    bool eitherContext = false;        // ALLUSERS 2: a dialog or command line may choose
    bool for64Bit = false;             // the summary's Template names a 64-bit platform
    std::vector<PackageWrite> writes;  // every row that bears on the loader's value, in order
    std::optional<PackageWrite> write; // the first one the loader reads
    std::optional<VersionReading> productVersion;
};

struct Prediction {
    VersionReading travelling;
    std::optional<Reading> installed;
    std::optional<Reading> otherView;
    Decision decision;
    std::optional<PackageLaunch> launch;
    std::optional<Record> recordsGiven;    // what the command line says the package records
    std::optional<NextStart> next;         // when a record is known and this start installs
    std::optional<PackageRecords> package; // what an MSI on the medium records
};
