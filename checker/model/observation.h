// What the checker reads of a machine, once and before anything is decided: the medium as the
// loader finds it, the temporary directory, the launch plan and the files it names, and the
// installed-version records. Plain data: no text for people, no reading, no deciding.
#pragma once

#include "described.h"
#include "machine.h"
#include "medium_naming.h"
#include "package_facts.h"

#include <loader.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class FileKind { File, Directory, Missing, Unknown };

// Why the loader's registry reader got what it got: a value "Version" whose data it reads; no key
// at HKLM\Software\<RegPath>; a key that cannot be opened for reading; no value "Version"; data
// over what the loader reads; "Software\<RegPath>" too long for its sub-key buffer; nothing
// installed, as the command line says.
#define RECORD_STATE_ROWS(X)                                                                       \
    X(Present, "present", "present")                                                               \
    X(NoKey, "no-key", "no key")                                                                   \
    X(Unopenable, "unopenable", "a key that cannot be opened")                                     \
    X(NoValue, "no-value", "no value")                                                             \
    X(TooLong, "too-long", "a value too long")                                                     \
    X(KeyTooLong, "key-too-long", "a key too long")                                                \
    X(NotInstalled, "not-installed", "nothing installed")
DESCRIBED_ENUM(RecordState, RECORD_STATE_ROWS)

// Where a record comes from: this machine's registry, the command line, what the package records.
#define RECORD_SOURCE_ROWS(X)                                                                      \
    X(Registry, "registry", "the registry")                                                        \
    X(Given, "given", "the command line")                                                          \
    X(Package, "package", "the package")
DESCRIBED_ENUM(RecordSource, RECORD_SOURCE_ROWS)

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

// How a text file's first bytes say it is encoded: by a byte-order mark, or by none.
enum class TextEncoding { Ansi, Utf8Mark, Utf16LittleEndian, Utf16BigEndian };

// A position in a text file as an editor counts it, from 1: lines end at CR, LF or CR LF; columns
// count bytes, or UTF-16 code units in a UTF-16 file, after any byte-order mark. Line 0: none.
struct TextPosition {
    int line = 0;
    int column = 0;
};

// Where in autorun.inf the platform's reader finds what it reads.
struct DescriptorPositions {
    TextPosition section;                     // the header of the section [autorun] it reads
    TextPosition laterSection;                // another section [autorun] after it, never read
    TextPosition values[kDescriptorKeyCount]; // each value's first character, by key
    TextPosition nonAscii;                    // the first character outside ASCII
};

// autorun.inf as the loader's reader, and the platform's, see it.
struct DescriptorFile {
    std::string path; // where the loader reads it; empty when that path does not fit
    std::string name = kDescriptorName; // relative to the medium, as it lies there
    bool found = false;
    std::string bytes;
    TextEncoding encoding = TextEncoding::Ansi;
    bool hasSection = false;                      // the platform's reader lists a section "autorun"
    int complete = 0;                             // what ReadPackageDescriptor returns
    int missingKey = 0;                           // and, when it returns 0, the key it stopped at
    PackageDescriptor values{};                   // its fields, each by DescriptorField
    std::string wholeValues[kDescriptorKeyCount]; // each value as the platform gives it, uncut
    // Each value as text: its bytes as Windows turns them into Unicode by the machine's ANSI code
    // page, here in UTF-8.
    std::string texts[kDescriptorKeyCount];
    // For a file that starts with a UTF-8 or UTF-16 BE byte-order mark, which Wine reads as its
    // encoding and Windows as plain bytes: whether each finds the section "autorun".
    std::optional<MarkedReadings> marked;
    DescriptorPositions positions;
};

// Whether the profile functions read a mapping, in the view it lies in.
#define CONSULTATION_ROWS(X)                                                                       \
    X(Consulted, "consulted", "read by the profile functions")                                     \
    X(Ignored, "ignored", "not read by the profile functions")
DESCRIBED_ENUM(Consultation, CONSULTATION_ROWS)

// A registry mapping of autorun.inf (IniFileMapping): where the profile functions read it, they
// read the registry instead of any file of that name.
struct DescriptorMapping {
    std::string key; // below HKLM\Software
    int view = 0;    // 64 or 32 on 64-bit Windows; 0 where there are no views
    Consultation consulted = Consultation::Consulted;
    std::string mapsTo; // the key's default value ("@SYS:DoesNotExist"); empty when it has none
};

// What the platform's verifier says of a program's Authenticode signature, as WinVerifyTrust
// answers it: no verifier on this machine; no signature (TRUST_E_NOSIGNATURE); signed, but the
// file's digest is not the signed one, or the signature is damaged; sound, but its chain ends in
// a root this machine does not trust; sound (on the build machine the chain is not judged); the
// certificate outside its validity period with no time-stamp from within it; revoked; not for
// code signing; explicitly distrusted; any other answer, which code says.
#define SIGNATURE_STATE_ROWS(X)                                                                    \
    X(NotChecked, "not-checked", "not checked")                                                    \
    X(Unsigned, "unsigned", "unsigned")                                                            \
    X(BadDigest, "bad-digest", "does not match the file")                                          \
    X(Untrusted, "untrusted-root", "untrusted root")                                               \
    X(Verified, "verified", "signed")                                                              \
    X(Expired, "expired", "a certificate outside its validity period")                             \
    X(Revoked, "revoked", "a certificate revoked")                                                 \
    X(WrongUsage, "wrong-usage", "a certificate not for code signing")                             \
    X(Distrusted, "distrusted", "a certificate this machine distrusts")                            \
    X(NotAccepted, "not-accepted", "not accepted")
DESCRIBED_ENUM(SignatureState, SIGNATURE_STATE_ROWS)

struct Signature {
    std::string file; // relative to the medium, '/' between names
    SignatureState state = SignatureState::NotChecked;
    std::string signer;    // the signing certificate's subject
    std::string timestamp; // the time-stamp's time, in the verifier's words; empty without one
    std::string validFrom; // the signing certificate's validity period, as timestamp is written
    std::string validTo;
    std::string detail;     // why it was not checked, or what the verifier objected to
    std::uint32_t code = 0; // WinVerifyTrust's answer; 0 on the build machine
    std::optional<std::uintmax_t> length; // the file's length in bytes
};

// The loader's launch plan, made as its run makes it, and what lies at the paths it names.
struct PlannedLaunch {
    int formed = 0; // what PlanLaunch returns: 0 when the package's path does not fit
    LaunchPlan plan{};
    FileKind package = FileKind::Unknown; // at plan.SourcePath
    std::string packageOnMedium;  // its name on the medium ('/' between names); empty off it
    std::string stagingDirectory; // where the staging directory is made: the temporary directory
    FileKind stagingDirectoryKind = FileKind::Unknown;
};

// RuntimePackage as a machine of one ANSI code page reads it, and what it names there.
struct NameReading {
    unsigned int codePage = 0;
    std::string name; // in UTF-8, as Windows converts the bytes read from that code page
    FileKind kind = FileKind::Unknown;
    bool asHere = false; // it names what it names in the machine's own code page
};

// The staging directory's number the checker plans with: the loader takes a new one on each start,
// of the same length, so only the name's digits differ.
inline constexpr unsigned int kCheckedStagingNumber = 0;

struct Observation {
    Machine machine;              // the Windows the prediction is for
    std::string medium;           // the directory as given, or the program's own
    std::string programDirectory; // the directory as the loader sees its own
    std::string mediumShown;      // the medium as reports name it: relative to the current one
    std::string mediumAbsolute;   // its absolute path, with '/' between names
    bool mediumIsFile = false;    // one file holding the medium (a disc image)
    std::optional<MediumNaming> naming; // what the medium does to names, where it does anything
    DescriptorFile descriptor;
    std::vector<DescriptorMapping> descriptorMappings; // of this machine, where it has one
    std::string tempPath;                              // as ReadTempPath gives it
    std::optional<PlannedLaunch> launch;               // when the descriptor is complete
    std::string packageFormat = kNoFormat;             // the format RuntimePackage's name gives
    std::vector<NameReading> packageNames; // in each of kAnsiCodePages, where it names the medium
    std::optional<Record> installed;       // the record the loader reads: the registry's or given
    std::optional<Record> otherView;       // the registry's in the other view, where read
    std::vector<Signature> signatures;     // of the loader and the package, where on the medium
    std::optional<PackageFacts> package;   // where the package is a file the check can read
    int loaderView = 32;                   // the registry view of the loader the prediction is for
};

// A value of the descriptor, by key.
inline std::string DescriptorValue(const DescriptorFile &descriptor, int key) {
    return DescriptorField(&descriptor.values, key);
}
