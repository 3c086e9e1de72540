// What the checker learns about a medium: the values as the loader reads them, its decisions
// from its own functions, and the findings drawn from them.
#pragma once

#include <loader.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

// A version text and what the loader's ordering makes of it.
struct VersionReading {
    std::string text;
    bool isVersion = false; // ordered as a version, not as "no version"
    std::string normalized; // NormalizeVersion's form; empty when rejected or over 32 characters
};

// Why the loader read an installed version, or did not.
enum class RecordState {
    Present,     // a value "Version" whose data the loader reads
    NoKey,       // no key at HKLM\Software\<RegPath>
    Unopenable,  // the key is there but cannot be opened for reading
    NoValue,     // the key has no value "Version"
    TooLong,     // the data exceed what the loader reads
    KeyTooLong,  // "Software\<RegPath>" does not fit the loader's sub-key buffer
    NotInstalled // said so on the command line
};

struct InstalledReading {
    std::string source; // "registry" (this machine's), or "given" (the command line's)
    std::string view;   // "32" or "64"; empty on the build machine, which has no views
    std::string key;    // HKLM\Software\<RegPath>
    RecordState state = RecordState::NoKey;
    std::string stored; // the value's data as text, when present
    bool read = false;  // what QueryInstalledVersion returned
    VersionReading version;
};

// The four ends of a run, less the one where another loader runs.
enum class End { IncompleteDescriptor, UpToDate, Install };

struct Decision {
    End end = End::IncompleteDescriptor;
    std::string reason;
};

enum class Place { Staging, Medium, Nowhere };
enum class Presence { Found, Missing, Unknown };

// Where the package runs from when installation is due.
struct Placement {
    Place place = Place::Nowhere;
    std::string path;        // what is launched
    std::string stagingPath; // the staging copy's path, when one can be formed
    Presence package = Presence::Unknown;
    std::string reason;
};

struct NextStart {
    InstalledReading recorded;
    Decision decision;
};

struct Prediction {
    std::string medium;           // the directory as given
    std::string programDirectory; // the directory as the loader sees it
    std::string descriptorPath;   // empty when it does not fit a path
    bool descriptorFound = false;
    std::string descriptorBytes;
    bool complete = false; // ReadPackageDescriptor's result
    PackageDescriptor descriptor{};
    std::string wholeValues[3]; // the three values uncut, to tell the loader's cuts
    VersionReading travelling;
    std::optional<InstalledReading> installed;
    std::optional<InstalledReading> otherView;
    Decision decision;
    std::optional<Placement> placement;
    bool recordsGiven = false;
    std::optional<NextStart> next; // when records are given and this start installs
};

enum class Severity { Error, Warning, Info };

struct Finding {
    std::string code; // stable: MC<group><number>
    Severity severity;
    std::string where;
    std::string message;
};

// The descriptor's keys in the order the loader reads them, and its values in the same order.
extern const char *const kDescriptorKeys[3];
std::array<const char *, 3> DescriptorValues(const PackageDescriptor &descriptor);

// What the loader's ordering makes of a version text.
VersionReading DescribeVersion(const std::string &text);
