// The loader run: guard, locate, read, decide, stage, launch, wait, clean up. Every end
// returns 0, which becomes the exit code.
#include "loader.h"

#include <windows.h>
#include <shellapi.h>

namespace {

const char kGuardName[] = "9656B2A6-167D-4c65-8B03-E4E32C9E18A2";
const DWORD kPauseMilliseconds = 2000;

// True when a file (or directory) is at path, as the shell's PathFileExistsA tells it, without
// loading the shell's path library.
int FileExists(const char *path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

typedef BOOL(WINAPI *ShellExecuteExFunction)(SHELLEXECUTEINFOA *);

// The shell is loaded only when a package is launched: importing it would load it, and the
// windowing libraries it needs, on every start, which doubles the start that finds the runtime up
// to date. A shell that cannot be loaded is a failed launch. shell32.dll is one of Windows' known
// libraries, always taken from the system directory, so a file of that name on the medium is
// never loaded instead.
BOOL LaunchThroughShell(SHELLEXECUTEINFOA *launch) {
    HMODULE shell = LoadLibraryA("shell32.dll");
    ShellExecuteExFunction execute =
        shell != NULL ? reinterpret_cast<ShellExecuteExFunction>(
                            reinterpret_cast<void *>(GetProcAddress(shell, "ShellExecuteExA")))
                      : NULL;
    return execute != NULL && execute(launch);
}

// Launches the package through the shell with its default action and waits for it to end.
void RunPackage(const char *file) {
    SHELLEXECUTEINFOA launch;
    ZeroMemory(&launch, sizeof(launch));
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpVerb = "";
    launch.lpFile = file;
    launch.lpParameters = "";
    launch.nShow = SW_SHOW;
    if (!LaunchThroughShell(&launch)) {
        return;
    }
    // A launch handed to an already running program gives no process to wait for.
    if (launch.hProcess != NULL) {
        WaitForSingleObject(launch.hProcess, INFINITE);
    }
    Sleep(kPauseMilliseconds);
    CloseHandle(launch.hProcess);
}

} // namespace

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
    // with nothing deleted.
    char tempPath[kPathCapacity] = {0};
    ReadTempPath(tempPath);
    LaunchPlan plan;
    ZeroMemory(&plan, sizeof(plan));
    if (!PlanLaunch(programDirectory, tempPath, &descriptor, &plan)) {
        return 0;
    }
    BOOL staged = FALSE;
    if (plan.StagingPath[0] != '\0') {
        // A copy left by an earlier run is removed first; if that fails, the copy overwrites it.
        // It may be read-only, which neither deletion nor overwriting gets past.
        if (FileExists(plan.StagingPath)) {
            SetFileAttributesA(plan.StagingPath, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(plan.StagingPath);
        }
        staged = CopyFileA(plan.SourcePath, plan.StagingPath, FALSE);
        // The copy takes the source's attributes, and every file on a CD is read-only: cleared,
        // or the deletion at the end fails and the copy stays in the temporary directory.
        if (staged) {
            SetFileAttributesA(plan.StagingPath, FILE_ATTRIBUTE_NORMAL);
        }
    }

    RunPackage(staged ? plan.StagingPath : plan.SourcePath);

    if (staged) {
        Sleep(kPauseMilliseconds);
        DeleteFileA(plan.StagingPath);
    }
    return 0;
}
