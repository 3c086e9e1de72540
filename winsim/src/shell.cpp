// Modules and the shell: LoadLibraryA, GetModuleHandleA, GetProcAddress, SetDefaultDllDirectories,
// and ShellExecuteExA, which records every launch and starts a process as the test has scripted it.
#include "world.h"

#include <shellapi.h>

#include <algorithm>

namespace winsim {

namespace {

const HMODULE kShell = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7C000000u));
const HMODULE kKernel = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7B000000u));

} // namespace

void LaunchRunsFor(uint32_t milliseconds) {
    TheWorld().launchOutcome = LaunchOutcome::Runs;
    TheWorld().launchRunsFor = milliseconds;
}

void LaunchFails(DWORD error) {
    TheWorld().launchOutcome = LaunchOutcome::Fails;
    TheWorld().launchError = error;
}

void LaunchGivesNoHandle() {
    TheWorld().launchOutcome = LaunchOutcome::NoHandle;
}

void FailShellLoad() {
    TheWorld().shellLoadFails = true;
}

void RefuseProgramsUnder(const std::string &folder) {
    TheWorld().refusedFolders.push_back(Upper(FullPath(folder)));
}

void LackSetDefaultDllDirectories() {
    TheWorld().hasSetDefaultDllDirectories = false;
}

DWORD DllDirectoriesWhenShellLoaded() {
    return TheWorld().dllDirectoriesAtShellLoad;
}

// Only the shell can be loaded; the flags SetDefaultDllDirectories set are kept as it is first
// loaded.
extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    SimulatedCall call;
    World &w = TheWorld();
    std::string name = fileName ? fileName : "";
    HMODULE module = nullptr;
    if (Upper(name) == "SHELL32.DLL" && !w.shellLoadFails) {
        module = kShell;
        if (!w.shellLoaded) {
            w.shellLoaded = true;
            w.dllDirectoriesAtShellLoad = w.dllDirectories;
        }
    } else {
        SetError(ERROR_MOD_NOT_FOUND);
    }
    Record("LoadLibraryA", name + ": " + (module ? "ok" : "error"), name, module != nullptr);
    return module;
}

// kernel32 is always loaded; nothing else is until LoadLibraryA loads the shell.
extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    SimulatedCall call;
    std::string name = moduleName ? moduleName : "";
    HMODULE module = nullptr;
    if (Upper(name) == "KERNEL32.DLL" || Upper(name) == "KERNEL32") {
        module = kKernel;
    } else if ((Upper(name) == "SHELL32.DLL" || Upper(name) == "SHELL32") &&
               TheWorld().shellLoaded) {
        module = kShell;
    } else {
        SetError(ERROR_MOD_NOT_FOUND);
    }
    Record("GetModuleHandleA", name + ": " + (module ? "ok" : "error"), name, module != nullptr);
    return module;
}

// The flags are LOAD_LIBRARY_SEARCH_APPLICATION_DIR, _USER_DIRS, _SYSTEM32 and _DEFAULT_DIRS in any
// combination; 0, other bits, or LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR alone are refused (Wine's
// conformance test test_SetDefaultDllDirectories in dlls/kernel32/tests/module.c).
extern "C" BOOL WINAPI SetDefaultDllDirectories(DWORD directoryFlags) {
    SimulatedCall call;
    const DWORD searches = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                           LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
    const DWORD dllLoadDirectory = 0x100;
    BOOL result =
        (directoryFlags & ~(searches | dllLoadDirectory)) == 0 && (directoryFlags & searches) != 0;
    if (result) {
        TheWorld().dllDirectories = directoryFlags;
    } else {
        SetError(ERROR_INVALID_PARAMETER);
    }
    Record("SetDefaultDllDirectories",
           std::to_string(directoryFlags) + (result ? ": ok" : ": error"), "", result);
    return result;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    SimulatedCall call;
    std::string procedureName = name ? name : "(null)";
    FARPROC procedure = nullptr;
    if (module == kShell && procedureName == "ShellExecuteExA") {
        procedure = reinterpret_cast<FARPROC>(reinterpret_cast<void *>(&ShellExecuteExA));
    } else if (module == kKernel && procedureName == "SetDefaultDllDirectories" &&
               TheWorld().hasSetDefaultDllDirectories) {
        procedure = reinterpret_cast<FARPROC>(reinterpret_cast<void *>(&SetDefaultDllDirectories));
    } else {
        SetError(ERROR_PROC_NOT_FOUND);
    }
    Record("GetProcAddress", procedureName, "", procedure != nullptr);
    return procedure;
}

const std::vector<Launch> &Launches() {
    return TheWorld().launches;
}

static std::string Text(LPCSTR text) {
    return text ? text : "";
}

static bool EndsWith(const std::string &text, const std::string &end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A program below a folder a path rule refuses.
static bool IsRefused(const std::string &fullPath) {
    const std::string path = Upper(fullPath);
    if (!EndsWith(path, ".EXE") && !EndsWith(path, ".COM")) {
        return false;
    }
    const std::vector<std::string> &folders = TheWorld().refusedFolders;
    return std::any_of(folders.begin(), folders.end(), [&](const std::string &folder) {
        const std::string prefix = EndsWith(folder, "\\") ? folder : folder + "\\";
        return path.compare(0, prefix.size(), prefix) == 0;
    });
}

extern "C" BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA *info) {
    SimulatedCall call;
    World &w = TheWorld();
    Launch launch{};
    launch.at = w.now;
    launch.cbSize = info->cbSize;
    launch.fMask = info->fMask;
    launch.hwndNull = info->hwnd == nullptr;
    launch.verbNull = info->lpVerb == nullptr;
    launch.verb = Text(info->lpVerb);
    launch.file = Text(info->lpFile);
    launch.parametersNull = info->lpParameters == nullptr;
    launch.parameters = Text(info->lpParameters);
    launch.directoryNull = info->lpDirectory == nullptr;
    launch.directory = Text(info->lpDirectory);
    launch.show = info->nShow;
    const std::string fullPath = FullPath(launch.file);
    launch.fileExisted = w.files.count(Upper(fullPath)) != 0;
    if (launch.fileExisted) {
        launch.besideFile = NamesInDirectory(ParentOf(fullPath));
    }
    launch.workingDirectory = launch.directoryNull ? w.currentDirectory : launch.directory;
    launch.endsAt = w.now;

    BOOL result = FALSE;
    info->hProcess = nullptr;
    if (info->cbSize != sizeof(SHELLEXECUTEINFOA)) {
        SetError(ERROR_INVALID_PARAMETER);
    } else if (!launch.fileExisted) {
        SetError(ERROR_FILE_NOT_FOUND);
        info->hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_FNF);
    } else if (IsRefused(fullPath)) {
        SetError(ERROR_ACCESS_DISABLED_BY_POLICY);
        info->hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_ACCESSDENIED);
    } else if (w.launchOutcome == LaunchOutcome::Fails) {
        SetError(w.launchError);
        info->hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC);
    } else {
        result = TRUE;
        info->hInstApp = reinterpret_cast<HINSTANCE>(33);
        launch.endsAt = w.now + w.launchRunsFor;
        if (w.launchOutcome == LaunchOutcome::Runs) {
            if (info->fMask & SEE_MASK_NOCLOSEPROCESS) {
                info->hProcess = NewHandle(Handle{HandleKind::Process, launch.file, launch.endsAt});
            }
        }
    }
    w.launches.push_back(launch);
    Record("ShellExecuteExA",
           launch.file + ": " + (result ? "ok" : "error " + std::to_string(w.lastError)),
           launch.file, result);
    return result;
}

} // namespace winsim
