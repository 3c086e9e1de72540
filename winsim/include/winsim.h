// The scriptable world behind the simulated Windows: tests lay out files, registry values, mutexes
// and shell outcomes, run the loader, then read back the world and the ordered call log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace winsim {

// Forget everything: files, registry, mutexes, launches, the log; the clock goes back to 0.
// The module path becomes C:\Medium\loader.exe, the temporary path C:\Temp\ and the current
// directory C:\Medium; those three directories exist. The ANSI code page is 1252 (single-byte).
// The process id is 0x1D4C and the tick count starts at 0x00A0B0C0.
void Reset();

// The ANSI code page: 1252 (Western, single-byte), 936 (Chinese, GBK) or 932 (Japanese,
// Shift-JIS), or any other of Windows' ANSI code pages, 1250 to 1258, 874, 949 and 950, or 65001
// (UTF-8, Windows 10's "Beta: Use Unicode UTF-8" setting). In the double-byte ones a lead byte and
// the byte after it are one character, whose trail byte may be 0x5C, the backslash; paths, names
// and IsDBCSLeadByte follow the code page. In 65001 every character converts exactly, and
// WideCharToMultiByte takes neither WC_NO_BEST_FIT_CHARS nor lpUsedDefaultChar.
void SetCodePage(UINT codePage);

// Files and directories. Paths are Windows paths: case-insensitive, backslash or slash.
void AddDirectory(const std::string &path);
void AddFile(const std::string &path, const std::string &content); // creates its directories
void RemoveFile(const std::string &path);
void LockFile(const std::string &path); // copy over it and delete fail
// The read-only attribute, as every file on a CD has: CopyFileA gives it to the copy; a read-only
// file can be neither deleted nor copied over (ERROR_ACCESS_DENIED) until SetFileAttributesA
// clears it.
void SetReadOnly(const std::string &path);
bool IsReadOnly(const std::string &path);
bool FileExists(const std::string &path);
std::string FileContent(const std::string &path);
std::vector<std::string> Files();       // every file's full path, in their stored spelling, sorted
std::vector<std::string> Directories(); // every directory's full path, so spelled, sorted
// The names of the files and directories in a directory, as spelled, sorted.
std::vector<std::string> NamesIn(const std::string &directory);

// The full path Windows makes of a path: slashes become backslashes; repeated separators, "."
// and ".." are resolved against the current directory; the caller's spelling is kept.
std::string FullPath(const std::string &path);

// Registry below HKEY_LOCAL_MACHINE; subKey like "Software\Maker\Runtime".
void AddKey(const std::string &subKey);
void DenyKey(const std::string &subKey); // the key exists but opening it gives access denied
void SetValue(const std::string &subKey, const std::string &name, DWORD type,
              const std::string &bytes);
void SetTextValue(const std::string &subKey, const std::string &name, const std::string &text);
int OpenKeyCount(); // registry handles opened and not yet closed

// Mutexes.
void HoldMutexElsewhere(const std::string &name); // another process holds a handle to it
void FailMutexCreation(DWORD error);              // CreateMutexA gives NULL with this error
bool MutexExists(const std::string &name);

// Locations.
void SetModulePath(const std::string &path);
// A module path in UTF-16, holding characters the ANSI code page may lack: GetModuleFileNameA
// gives it converted as Windows converts it (best fit, then '?'), GetModuleFileNameW as it is.
void SetUnicodeModulePath(const std::u16string &path);
// What GetShortPathNameW gives for a path; a path without one comes back as it is, as on a volume
// that keeps no short names.
void SetShortPath(const std::u16string &longPath, const std::u16string &shortPath);
void SetTempPath(const std::string &text); // returned as it stands, trailing backslash or not
void FailTempPath();                       // GetTempPathA returns 0 and writes nothing

// The loader process's id, and the tick count GetTickCount gives now; it goes on with the virtual
// clock. Tests that set both alike make two runs choose alike.
void SetProcessId(DWORD id);
void SetTickCount(DWORD milliseconds);

// DLL loading. kernel32 has SetDefaultDllDirectories (Windows 8 and later, and Windows 7 with
// KB2533623) unless a test takes it away; the flags it set when the shell was loaded are kept.
void LackSetDefaultDllDirectories(); // GetProcAddress finds no SetDefaultDllDirectories
// SetDefaultDllDirectories' flags in force when LoadLibraryA first loaded the shell; 0 when none
// were (the default search, which looks in the program's own directory first) or it was not loaded.
DWORD DllDirectoriesWhenShellLoaded();

// The shell. By default a launch of an existing file starts a process that runs for 1000 ms,
// and a launch of a missing file fails with ERROR_FILE_NOT_FOUND. While a started process runs,
// its file cannot be deleted or overwritten, as with a running program on Windows. A launch
// without a handle still starts that process; the caller just gets nothing to wait on.
void LaunchRunsFor(uint32_t milliseconds);
void LaunchFails(DWORD error);
void LaunchGivesNoHandle();
void FailShellLoad(); // LoadLibraryA("shell32.dll") fails
// A path rule of Software Restriction Policies or AppLocker that refuses programs (.exe, .com)
// below a folder, as anti-ransomware policies refuse %TEMP%: ShellExecuteExA fails on such a file
// with ERROR_ACCESS_DISABLED_BY_POLICY. Files of other types are opened by their associated
// program, which lies elsewhere, and start as usual (an .msi's msiexec then refuses the package
// itself, which is not simulated).
void RefuseProgramsUnder(const std::string &folder);

struct Launch {
    uint64_t at;
    DWORD cbSize;
    UINT fMask;
    bool hwndNull;
    bool verbNull;
    std::string verb;
    std::string file;
    bool parametersNull;
    std::string parameters;
    bool directoryNull;
    std::string directory;
    int show;
    bool fileExisted;                    // the launched file was there at launch time
    std::string workingDirectory;        // where the started process runs
    std::vector<std::string> besideFile; // the names in the launched file's directory, at launch
    uint64_t endsAt; // when its process ends (equal to `at` when none was started)
};
const std::vector<Launch> &Launches();

// The virtual clock and the ordered log of every call the loader made.
struct Event {
    uint64_t at;
    std::string call;   // the API name, e.g. "CopyFileA"
    std::string detail; // arguments and outcome, for people reading a failure
    std::string target; // the file acted on: deleted, copied to, tested, launched; "" for others
    bool ok;            // the call succeeded
};
const std::vector<Event> &Log();
std::vector<std::string> Calls(); // the API names of the log, in order
std::string LogText();            // the whole log, one line per event, for failure messages

// True while a simulated API call runs: allocations then are the simulation's, not the loader's.
bool InSimulatedCall();

// The end of the loader's process: the handles it still holds close, so its mutexes go away
// unless another process holds them too.
void EndProcess();

} // namespace winsim
