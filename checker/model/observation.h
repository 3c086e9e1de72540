// What the checker reads of a machine, once and before anything is decided: the medium as the
// loader finds it, the temporary directory, the files the launch would touch, and the
// installed-version records. Plain data: no text for people, no reading, no deciding.
#pragma once

#include <loader.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

enum class RecordSource { Registry, Given, Package };

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
    TextPosition section;   // the header of the section [autorun] it reads
    TextPosition values[3]; // each value's first character, in the order of kDescriptorKeys
    TextPosition nonAscii;  // the first character outside ASCII
};

// autorun.inf as the loader's reader, and the platform's, see it.
struct DescriptorFile {
    std::string path; // where the loader reads it; empty when that path does not fit
    std::string name = kDescriptorName; // relative to the medium, as it lies there
    bool found = false;
    std::string bytes;
    TextEncoding encoding = TextEncoding::Ansi;
    bool hasSection = false; // the platform's reader lists a section "autorun"
    int complete = 0;        // what ReadPackageDescriptor returns
    int missingKey = 0;      // and, when it returns 0, the value it stopped at
    PackageDescriptor values{};
    std::string wholeValues[3]; // the three values as the platform gives them, uncut
    // For a file that starts with a UTF-8 or UTF-16 BE byte-order mark, which Wine reads as its
    // encoding and Windows as plain bytes: whether each finds the section "autorun".
    std::optional<MarkedReadings> marked;
    DescriptorPositions positions;
};

// A registry mapping of autorun.inf (IniFileMapping): where the profile functions read it, they
// read the registry instead of any file of that name.
struct DescriptorMapping {
    std::string key;       // below HKLM\Software
    int view = 0;          // 64 or 32 on 64-bit Windows; 0 where there are no views
    bool consulted = true; // the view the profile functions read
    std::string mapsTo;    // the key's default value ("@SYS:DoesNotExist"); empty when it has none
};

// What the platform's verifier says of a program's Authenticode signature, as WinVerifyTrust
// answers it.
enum class SignatureState {
    NotChecked, // no verifier on this machine
    Unsigned,   // no signature (TRUST_E_NOSIGNATURE)
    BadDigest,  // signed, but the file's digest is not the signed one, or the signature is damaged
    Untrusted,  // sound, but its chain ends in a root this machine does not trust
    Verified,   // sound; on the build machine the chain is not judged
    Expired,    // the certificate is outside its validity period, with no time-stamp from within
    Revoked,    // the certificate has been revoked
    WrongUsage, // the certificate is not for code signing
    Distrusted, // the machine explicitly distrusts the certificate
    NotAccepted // any other answer: code says which
};

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

// One row of an MSI's Registry table, as stored, with its component.
struct RegistryRow {
    std::string row;
    int root = 0; // -1 (per ALLUSERS), 0 HKCR, 1 HKCU, 2 HKLM, 3 HKU
    std::string key;
    std::string name;      // empty for the key's default value
    std::string value;     // formatted text, unresolved
    bool win64 = false;    // the component's msidbComponentAttributes64bit
    std::string condition; // the component's condition; empty when none
};

struct MsiContents {
    std::map<std::string, std::string> properties; // the Property table
    std::string platform;                          // the summary's Template, before its ';'
    std::vector<RegistryRow> registry;
    std::vector<std::string> customActions;
};

enum class ProgramState { Program, Empty, Truncated, NoHeaders };

struct ExeContents {
    ProgramState state = ProgramState::NoHeaders;
    int machine = 0;              // the COFF header's machine type
    bool hasVersion = false;      // a version resource was read
    std::string fixedFileVersion; // a.b.c.d from VS_FIXEDFILEINFO
    std::string fixedProductVersion;
    std::string fileVersion;    // the string table's FileVersion
    std::string productVersion; // and ProductVersion
    std::string executionLevel; // the manifest's requestedExecutionLevel; empty when none
};

// What the shell makes of the package's name: it starts a program, has Windows Installer open an
// installer package, or needs a program associated with the type.
enum class PackageType { Msi, Exe, Other };

// The package on the medium, read without running it.
struct PackageFile {
    std::string path; // the Windows path the loader launches
    PackageType type = PackageType::Other;
    bool readable = false; // read as what its name says
    std::optional<MsiContents> msi;
    std::optional<ExeContents> exe;
    std::optional<std::uintmax_t> length; // the file's length in bytes
};

// The file systems a disc image can carry. Windows reads one: UDF where there is one, else
// Joliet, else ISO 9660; Rock Ridge never.
enum class DiscFileSystem { Udf, Joliet, Iso9660, RockRidge };

// A file whose name in the image's other names is not the one Windows reads.
struct RenamedFile {
    std::string path;        // in the other names, '/' between names
    std::string windowsPath; // as Windows reads it
};

// A directory that ISO 9660's eight levels made the image's writer move: Windows finds it at
// movedTo, and an empty file at its own place.
struct MovedDirectory {
    std::string path; // where the other names put it
    std::string movedTo;
    int depth = 0; // its level below the root
};

// What only a disc image adds to a medium: which of its names Windows reads, and what those
// names lose against the image's others (Rock Ridge's, else Joliet's).
struct DiscImage {
    std::vector<DiscFileSystem> present;  // in the order of DiscFileSystem
    std::optional<DiscFileSystem> read;   // none: no file system Windows reads
    std::optional<DiscFileSystem> others; // the names compared with Windows'
    std::vector<RenamedFile> renamed;
    std::vector<std::string> leftOut; // files of the other names Windows does not see
    std::vector<MovedDirectory> moved;
};

struct Observation {
    std::string medium;           // the directory as given, or the program's own
    std::string programDirectory; // the directory as the loader sees its own
    std::string mediumShown;      // the medium as reports name it: relative to the current one
    std::string mediumAbsolute;   // its absolute path, with '/' between names
    DescriptorFile descriptor;
    std::vector<DescriptorMapping> descriptorMappings; // of this machine, where it has one
    std::string tempPath;                              // as ReadTempPath gives it
    std::map<std::string, FileKind> files;             // the paths the launch plan names, by path
    PackageType packageType = PackageType::Other;      // of RuntimePackage's name
    std::optional<Record> installed;    // the registry in the loader's view, where read
    std::optional<Record> otherView;    // and in the other view
    std::vector<Signature> signatures;  // of the loader and the package, where on the medium
    std::optional<PackageFile> package; // the package's contents, where it is on the medium
    int loaderView = 32;                // the registry view of the loader the prediction is for
    std::optional<DiscImage> image;     // when the medium is a disc image
};

// The descriptor's values in the order of kDescriptorKeys.
inline const char *DescriptorValue(const PackageDescriptor &descriptor, int index) {
    const char *values[3] = {descriptor.RuntimePackage, descriptor.RegPath, descriptor.Version};
    return values[index];
}
