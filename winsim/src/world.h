// The state of the simulated machine, shared by the simulated API families.
#pragma once

#include <winsim.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winsim {

struct File {
    std::string path; // full path as first spelled
    std::string content;
    bool locked = false;
    bool readOnly = false;
};

struct RegistryValue {
    std::string name;
    DWORD type = REG_SZ;
    std::string bytes;
};

struct RegistryKey {
    std::string name; // its last name, as first spelled
    bool denied = false;
    std::map<std::string, RegistryValue> values; // by upper-cased name
};

enum class HandleKind { Mutex, Process, Key, File, Mapping };

struct Handle {
    HandleKind kind;
    std::string name;    // mutex name, key path, or the upper-cased full path of a file or of
                         // the file a mapping maps
    uint64_t endsAt = 0; // processes
};

enum class LaunchOutcome { Runs, Fails, NoHandle };

struct World {
    uint64_t now = 0;
    DWORD lastError = 0;
    std::vector<Event> log;

    std::map<std::string, std::string> directories; // upper-cased full path -> as first spelled
    std::map<std::string, File> files;              // by upper-cased full path
    std::map<std::string, RegistryKey> keys;        // by upper-cased path below HKEY_LOCAL_MACHINE

    std::map<std::string, int> mutexes; // name (case-sensitive) -> open handles, all processes
    DWORD mutexFailure = 0;

    std::map<uintptr_t, Handle> handles;                   // the loader process's open handles
    std::map<const void *, std::unique_ptr<char[]>> views; // mapped views of files, by address
    uintptr_t nextHandle = 0x100;

    UINT codePage = 1252;

    std::string modulePath;
    std::u16string unicodeModulePath;                    // empty: the ANSI one, widened
    std::map<std::u16string, std::u16string> shortPaths; // long path -> its short form
    std::string currentDirectory;
    std::string tempPath;
    bool tempPathFails = false;
    DWORD processId = 0x1D4C;
    uint64_t tickBase = 0x00A0B0C0; // GetTickCount gives this plus the virtual clock

    bool hasSetDefaultDllDirectories = true;
    DWORD dllDirectories = 0;            // SetDefaultDllDirectories' flags, 0 until set
    DWORD dllDirectoriesAtShellLoad = 0; // those in force when the shell was first loaded
    bool shellLoaded = false;

    bool shellLoadFails = false;
    std::vector<std::string> refusedFolders; // upper-cased full paths
    LaunchOutcome launchOutcome = LaunchOutcome::Runs;
    uint32_t launchRunsFor = 1000;
    DWORD launchError = 0;
    std::vector<Launch> launches;
};

World &TheWorld();

// Marks a simulated API call for its whole length: what the simulation allocates for itself
// inside it is not the loader's.
struct SimulatedCall {
    SimulatedCall();
    ~SimulatedCall();
    SimulatedCall(const SimulatedCall &) = delete;
    SimulatedCall &operator=(const SimulatedCall &) = delete;
};

void Record(const char *call, const std::string &detail, const std::string &target = "",
            bool ok = true);
void SetError(DWORD error);
HANDLE NewHandle(const Handle &handle);
Handle *FindHandle(HANDLE handle);

// A lead byte of the ANSI code page: it and the byte after it are one character, so a trail byte of
// 0x5C is never a backslash. Windows converts A paths and names to Unicode before looking at them.
bool IsLeadByte(unsigned char c);
// The character after the one at c, as CharNextA steps: two bytes on for a lead byte with a byte
// after it, one otherwise.
const char *NextCharacter(const char *c);
// The first of separators at or after start, or the last in the whole text, stepping over
// double-byte characters; npos when there is none.
size_t FindSeparator(const std::string &text, size_t start, const char *separators);
size_t FindLastSeparator(const std::string &text, const char *separators);

// UTF-16 LE bytes in the ANSI code page, as Windows converts them for the A calls: best-fit
// mappings where the code page lacks a character, the default character where there is none.
std::string FromUtf16(const std::string &utf16le);
// The same for units, with or without best fit, in the ANSI code page or another; usedDefault
// becomes true when a unit had no mapping (or, without best fit, only a best fit).
std::string FromUtf16Units(const uint16_t *units, size_t count, bool bestFit, bool *usedDefault,
                           UINT codePage = CP_ACP);
// Bytes of the ANSI code page, or another, in UTF-16, as MultiByteToWideChar converts them.
std::u16string ToUtf16Units(const std::string &ansi, UINT codePage = CP_ACP);
// Whether the simulated Windows has the tables of a code page.
bool HasCodePage(UINT codePage);
// Names compared as file systems compare them: unit by unit, each in its simple uppercase.
int CompareIgnoringCase(const std::u16string &first, const std::u16string &second);

// A key below HKEY_LOCAL_MACHINE, named as RegOpenKeyExA names it; nullptr when there is none.
const RegistryKey *KeyAt(const std::string &subKey);
// A value of a key by its name ("" for the default value), names without regard to case.
const RegistryValue *ValueOf(const RegistryKey &key, const std::string &name);
// The names of a key's sub-keys, as stored.
std::vector<std::string> SubKeysOf(const std::string &subKey);

// Upper case as Windows compares names: the trail bytes of double-byte characters are kept.
std::string Upper(const std::string &text);
std::string ParentOf(const std::string &fullPath); // "" for a drive root
bool DirectoryExists(const std::string &fullPath);
// The names in a directory (its files and directories), as spelled, sorted.
std::vector<std::string> NamesInDirectory(const std::string &fullPath);

} // namespace winsim
