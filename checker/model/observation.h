// What the checker reads of a machine, once and before anything is decided: the medium as the
// loader finds it, the temporary directory, the files the launch would touch, and the
// installed-version records. Plain data: no text for people, no reading, no deciding.
#pragma once

#include <loader.h>

#include <map>
#include <optional>
#include <string>

enum class FileKind { File, Directory, Missing, Unknown };

// Why the loader's registry reader got what it got.
enum class RecordState {
    Present,     // a value "Version" whose data the loader reads
    NoKey,       // no key at HKLM\Software\<RegPath>
    Unopenable,  // the key is there but cannot be opened for reading
    NoValue,     // the key has no value "Version"
    TooLong,     // the data exceed what the loader reads
    KeyTooLong,  // "Software\<RegPath>" does not fit the loader's sub-key buffer
    NotInstalled // nothing installed, as the command line says
};

enum class RecordSource { Registry, Given };

// An installed-version record as the loader's reader takes it.
struct Record {
    RecordSource source = RecordSource::Given;
    int view = 0;        // 32 or 64 on Windows; 0 on the build machine, which has no views
    std::string regPath; // the key is HKLM\Software\<regPath>
    RecordState state = RecordState::NotInstalled;
    std::string stored;  // the value's data as text, or the text given
    int read = 0;        // what QueryInstalledVersion returns
    std::string version; // what it leaves in the loader's buffer
};

struct MarkedReadings {
    bool asWindows = false;
    bool asWine = false;
};

// autorun.inf as the loader's reader, and the platform's, see it.
struct DescriptorFile {
    std::string path; // where the loader reads it; empty when that path does not fit
    bool found = false;
    std::string bytes;
    bool hasSection = false; // the platform's reader lists a section "autorun"
    int complete = 0;        // what ReadPackageDescriptor returns
    PackageDescriptor values{};
    std::string wholeValues[3]; // the three values as the platform gives them, uncut
    // For a file that starts with a UTF-8 or UTF-16 BE byte-order mark, which Wine reads as its
    // encoding and Windows as plain bytes: whether each finds the section "autorun".
    std::optional<MarkedReadings> marked;
};

struct Observation {
    std::string medium;           // the directory as given, or the program's own
    std::string programDirectory; // the directory as the loader sees its own
    DescriptorFile descriptor;
    std::string tempPath;                  // as ReadTempPath gives it
    std::map<std::string, FileKind> files; // the paths the launch plan names, by path
    std::optional<Record> installed;       // in the loader's view, or as given
    std::optional<Record> otherView;       // the other registry view, where one is read
    std::optional<Record> recorded;        // what the package records, as given
};

// The descriptor's values in the order of kDescriptorKeys.
inline const char *DescriptorValue(const PackageDescriptor &descriptor, int index) {
    const char *values[3] = {descriptor.RuntimePackage, descriptor.RegPath, descriptor.Version};
    return values[index];
}
