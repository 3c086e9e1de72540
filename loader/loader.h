// The loader's own operations and the descriptor they fill. Every operation returns 1 for
// success and 0 for failure, except CompareVersions, whose sign carries the order.
#pragma once

// Capacities in characters, terminator included.
enum {
    kPathCapacity = 260,         // MAX_PATH
    kDescriptorCapacity = 261,   // RuntimePackage and RegPath: 260 handed to the reader
    kVersionCapacity = 33,       // version texts and normalised versions: 32 characters
    kDescriptorVersionSize = 32, // Version: 31 characters
    kSubKeyCapacity = 261,       // "Software\<RegPath>"
    kInstalledDataSize = 260     // registry data read; longer data are not read at all
};

// The descriptor beside the loader, its section, and its keys in the order the loader reads them.
inline constexpr char kDescriptorName[] = "autorun.inf";
inline constexpr char kDescriptorSection[] = "autorun";
enum { kRuntimePackageKey, kRegPathKey, kVersionKey, kDescriptorKeyCount };
inline constexpr const char *kDescriptorKeys[kDescriptorKeyCount] = {"RuntimePackage", "RegPath",
                                                                     "Version"};

// The installed-version record: the value "Version" of HKEY_LOCAL_MACHINE\Software\<RegPath>.
inline constexpr char kSoftwareKey[] = "Software";
inline constexpr char kVersionValue[] = "Version";

struct PackageDescriptor {
    char RuntimePackage[kDescriptorCapacity];
    char RegPath[kDescriptorCapacity];
    char Version[kVersionCapacity];
};

// The field a key of kDescriptorKeys fills: DescriptorField(descriptor, kRegPathKey) is RegPath.
inline char *DescriptorField(PackageDescriptor *descriptor, int key) {
    // The fields are written through what this returns, so the array holds pointers to char.
    // cppcheck-suppress constVariable
    char *const fields[kDescriptorKeyCount] = {descriptor->RuntimePackage, descriptor->RegPath,
                                               descriptor->Version};
    return fields[key];
}

inline const char *DescriptorField(const PackageDescriptor *descriptor, int key) {
    return DescriptorField(const_cast<PackageDescriptor *>(descriptor), key);
}

// The directory each staging makes in the temporary directory: "CL" and the eight uppercase
// hexadecimal digits of a number, so its name's length is fixed and whether the copy's path fits
// is known before anything is made. The run tries kStagingAttempts numbers, each a new name.
enum {
    kStagingNameLength = 10, // "CL" and eight digits
    kStagingAttempts = 4
};

// Whether the package is staged, and if not why: the plan tests the temporary directory, then the
// name (leaving the directory, then naming a sub-directory), then the staging path's length.
enum {
    kStagingPathTooLong = 0, // the copy's path, counted with the directory's name, does not fit
    kStaged = 1,             // the staging directory and the copy's path are formed
    kNoTempDirectory,        // no temporary directory was read
    kNameLeavesDirectory,    // RuntimePackage would leave the directory it is joined to
    kNameInSubDirectory      // RuntimePackage names a sub-directory, which a new directory lacks
};

// Where the run launches the package from: the package beside the loader, and the staging
// directory in the temporary directory with the copy's path in it, both empty when the package is
// never staged; Staging says why.
struct LaunchPlan {
    char SourcePath[kPathCapacity];
    char StagingDirectory[kPathCapacity];
    char StagingPath[kPathCapacity];
    int Staging;
};

// Reads the running program's full path into a buffer of kPathCapacity; 0 when the path does not
// fit, and was cut. A path that is not the exact conversion of the wide one (a character the ANSI
// code page lacks or best-fits) comes as its short form, where the volume keeps short names (and 0
// when that does not fit).
int ReadModulePath(char *modulePath);

// Turns the running program's full path into its directory, in place, and forms the path of
// "autorun.inf" in it in a buffer of kPathCapacity; 0 when that path does not fit.
int LocateDescriptor(char *programDirectory, char *descriptorPath);

// Reads the temporary directory into a buffer of kPathCapacity, as the platform gives it (normally
// with a trailing backslash); left empty when it cannot be read whole.
void ReadTempPath(char *tempPath);

// Plans the launch of the descriptor's package, its staging directory named by number: staged
// when it can be, in place otherwise (the plan's Staging says which, and why). 0 when the
// package's path beside the loader does not fit: nothing is launched.
int PlanLaunch(const char *programDirectory, const char *tempPath,
               const PackageDescriptor *descriptor, unsigned int number, LaunchPlan *plan);

// Reads section "autorun" of the descriptor file; 1 when all three values are there and none is
// empty. On 0, missingKey is the index in kDescriptorKeys of the value that was missing or empty:
// the reads stop there, and the fields after it stay empty. Each value is read as
// ReadDescriptorValue reads it.
int ReadPackageDescriptor(const char *descriptorPath, PackageDescriptor *descriptor,
                          int *missingKey);

// Reads a value of section "autorun" into a buffer of size characters (terminator included), cut
// to size - 1: the profile function's value, or, when it gives none, the file's own as
// ReadIniFileValue reads it (on a machine that maps autorun.inf to the registry). The number of
// characters read; 0 when missing or empty.
int ReadDescriptorValue(const char *descriptorPath, const char *key, char *value,
                        unsigned int size);

// Reads a value of an ini file from the file's own bytes, exactly as Windows' profile function
// reads a file that the registry does not map, with the default "": the number of characters
// placed in value (size characters, at least 1, terminator included; a longer value is cut to
// size - 1, and the field past the terminator may change); 0 when the file, the section or the
// key is missing or the value is empty. Section and key are names of ASCII letters. Any file
// size, in fixed buffers.
int ReadIniFileValue(const char *path, const char *section, const char *key, char *value,
                     unsigned int size);

// 1 when the file's own bytes hold a section of that name, as the profile functions find it.
int HasIniFileSection(const char *path, const char *section);

// Forms "Software\<regPath>" in a buffer of kSubKeyCapacity; 0 when it does not fit, and then it
// names no key that could be opened.
int FormInstalledKey(const char *regPath, char *subKey);

// Reads the value "Version" of HKEY_LOCAL_MACHINE\Software\<regPath> into a buffer of
// kVersionCapacity; 1 when it was read. On 0 the buffer is not touched.
int QueryInstalledVersion(const char *regPath, char *installedVersion);

// The same in a registry view chosen by KEY_WOW64_32KEY or KEY_WOW64_64KEY; 0 reads the view of
// the calling process, as the loader does.
int QueryInstalledVersionInView(const char *regPath, unsigned int view, char *installedVersion);

// Takes registry data, terminated, as the installed version in a buffer of kVersionCapacity.
void TakeInstalledVersion(const char *data, char *installedVersion);

// 1 when installation is due: nothing readable is installed (installedRead 0, as
// QueryInstalledVersion returned), or the travelling version orders after the installed one.
int IsInstallDue(const PackageDescriptor *descriptor, int installedRead,
                 const char *installedVersion);

// The same decision from what QueryInstalledVersion returned and, when it read a version, the
// order CompareVersions gives the travelling version against it.
inline int IsDueByOrder(int installedRead, int order) {
    return !installedRead || order > 0;
}

// Rewrites a version text into four zero-padded fields ("1.2.3.4" -> "0001.0002.0003.0004") in a
// buffer of kVersionCapacity; 0 and the buffer untouched when the text is rejected.
int NormalizeVersion(const char *text, char *normalized);

// Greater than 0 when first orders after second, 0 when alike, less than 0 when before.
int CompareVersions(const char *first, const char *second);
