// The loader run: guard, locate, read, decide, stage, launch, wait, clean up. Every end
// returns 0, which becomes the exit code.
#include "loader.h"

#include <windows.h>
#include <shellapi.h>

static const char kGuardName[] = "9656B2A6-167D-4c65-8B03-E4E32C9E18A2";
static const DWORD kPauseMilliseconds = 2000;

typedef BOOL(WINAPI *ShellExecuteExFunction)(SHELLEXECUTEINFOA *);

// The shell is loaded only when a package is launched: importing it would load it, and the
// windowing libraries it needs, on every start, which doubles the start that finds the runtime up
// to date. A shell that cannot be loaded is a failed launch. shell32.dll is one of Windows' known
// libraries, always taken from the system directory, so a file of that name on the medium is
// never loaded instead.
static BOOL LaunchThroughShell(SHELLEXECUTEINFOA *launch) {
    HMODULE shell = LoadLibraryA("shell32.dll");
    ShellExecuteExFunction execute =
        shell != NULL ? reinterpret_cast<ShellExecuteExFunction>(
                            reinterpret_cast<void *>(GetProcAddress(shell, "ShellExecuteExA")))
                      : NULL;
    return execute != NULL && execute(launch);
}

// Launches the package through the shell with its default action and waits for it to end. TRUE
// when a policy refused to start it (Software Restriction Policies and AppLocker rules that forbid
// programs in the user's writable folders): the same package elsewhere may be allowed.
static BOOL RunPackage(const char *file) {
    SHELLEXECUTEINFOA launch;
    ZeroMemory(&launch, sizeof(launch));
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpVerb = "";
    launch.lpFile = file;
    launch.lpParameters = "";
    launch.nShow = SW_SHOW;
    if (!LaunchThroughShell(&launch)) {
        return GetLastError() == ERROR_ACCESS_DISABLED_BY_POLICY;
    }
    // A launch handed to an already running program gives no process to wait for.
    if (launch.hProcess != NULL) {
        WaitForSingleObject(launch.hProcess, INFINITE);
    }
    Sleep(kPauseMilliseconds);
    CloseHandle(launch.hProcess);
    return FALSE;
}

// Makes the staging directory, a new one: a name already there, whoever made it, is never used,
// and another number is tried. FALSE when none was made, on any other failure at once.
static BOOL MakeStagingDirectory(const char *programDirectory, const char *tempPath,
                                 const PackageDescriptor *descriptor, unsigned int number,
                                 LaunchPlan *plan) {
    for (unsigned int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        PlanLaunch(programDirectory, tempPath, descriptor, number + attempt, plan);
        if (CreateDirectoryA(plan->StagingDirectory, NULL)) {
            return TRUE;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return FALSE;
        }
    }
    return FALSE;
}

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD);

// From here on the loader's process loads DLLs named without a path from the system directory
// only: the shell loads helpers and extensions as it launches, and none may come from the
// medium's folder, or a download folder the loader was started from. Windows 7 without KB2533623
// lacks the call; there nothing changes.
static void RestrictDllSearch() {
    SetDefaultDllDirectoriesFunction restrictSearch =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void *>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (restrictSearch != NULL) {
        restrictSearch(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    // The guard handle is never closed: the guard lasts as long as this process, so any loader
    // started before it ends stops here. Only the existence of the name counts.
    CreateMutexA(NULL, FALSE, kGuardName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        return 0;
    }

    char programDirectory[kPathCapacity] = {0};
    if (!ReadModulePath(programDirectory)) {
        return 0;
    }
    char descriptorPath[kPathCapacity] = {0};
    if (!LocateDescriptor(programDirectory, descriptorPath)) {
        return 0;
    }
    PackageDescriptor descriptor;
    ZeroMemory(&descriptor, sizeof(descriptor));
    int missingKey = 0;
    if (!ReadPackageDescriptor(descriptorPath, &descriptor, &missingKey)) {
        return 0;
    }
    char installedVersion[kVersionCapacity] = {0};
    int installedRead = QueryInstalledVersion(descriptor.RegPath, installedVersion);
    if (!IsInstallDue(&descriptor, installedRead, installedVersion)) {
        return 0;
    }

    // The plan is made before anything is touched, so a name too long for its paths ends the run
    // with nothing made or deleted. The staging directory's number comes from the process and the
    // time of the start.
    char tempPath[kPathCapacity] = {0};
    ReadTempPath(tempPath);
    unsigned int number = (GetCurrentProcessId() << 16) ^ GetTickCount();
    LaunchPlan plan;
    ZeroMemory(&plan, sizeof(plan));
    if (!PlanLaunch(programDirectory, tempPath, &descriptor, number, &plan)) {
        return 0;
    }
    // The copy goes alone into a directory of its own, so the installer finds nothing beside it
    // that it would load (version.dll and the like, left in the temporary directory by anyone);
    // nothing else in the temporary directory is read, changed or deleted.
    BOOL staged = FALSE;
    if (plan.Staging == kStaged &&
        MakeStagingDirectory(programDirectory, tempPath, &descriptor, number, &plan)) {
        staged = CopyFileA(plan.SourcePath, plan.StagingPath, TRUE);
        // The copy takes the source's attributes, and every file on a CD is read-only: cleared,
        // or the deletion at the end fails and the copy stays in the temporary directory.
        if (staged) {
            SetFileAttributesA(plan.StagingPath, FILE_ATTRIBUTE_NORMAL);
        } else {
            RemoveDirectoryA(plan.StagingDirectory);
        }
    }

    RestrictDllSearch();
    BOOL refused = RunPackage(staged ? plan.StagingPath : plan.SourcePath);

    // A copy still held stays, and so does its directory: there is no retry. A copy a policy
    // refused to start in the temporary directory is removed all the same, and the package then
    // runs where it lies, once.
    if (staged) {
        Sleep(kPauseMilliseconds);
        DeleteFileA(plan.StagingPath);
        RemoveDirectoryA(plan.StagingDirectory);
        if (refused) {
            RunPackage(plan.SourcePath);
        }
    }
    return 0;
}
