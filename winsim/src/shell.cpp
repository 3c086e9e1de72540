// ShellExecuteExA: records every launch and starts a process as the test has scripted it.
#include "world.h"

#include <shellapi.h>

namespace winsim {

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

// Only the shell can be loaded, and only ShellExecuteExA found in it.
extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    SimulatedCall call;
    std::string name = fileName ? fileName : "";
    HMODULE module = nullptr;
    if (Upper(name) == "SHELL32.DLL" && !TheWorld().shellLoadFails) {
        module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7C000000u));
    } else {
        SetError(ERROR_MOD_NOT_FOUND);
    }
    Record("LoadLibraryA", name + ": " + (module ? "ok" : "error"), name, module != nullptr);
    return module;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    SimulatedCall call;
    FARPROC procedure = nullptr;
    if (module == reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7C000000u)) &&
        name != nullptr && std::string(name) == "ShellExecuteExA") {
        procedure = reinterpret_cast<FARPROC>(reinterpret_cast<void *>(&ShellExecuteExA));
    } else {
        SetError(ERROR_PROC_NOT_FOUND);
    }
    Record("GetProcAddress", std::string(name ? name : "(null)"), "", procedure != nullptr);
    return procedure;
}

const std::vector<Launch> &Launches() {
    return TheWorld().launches;
}

static std::string Text(LPCSTR text) {
    return text ? text : "";
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
    launch.fileExisted = w.files.count(Upper(FullPath(launch.file))) != 0;
    launch.workingDirectory = launch.directoryNull ? w.currentDirectory : launch.directory;
    launch.endsAt = w.now;

    BOOL result = FALSE;
    info->hProcess = nullptr;
    if (info->cbSize != sizeof(SHELLEXECUTEINFOA)) {
        SetError(ERROR_INVALID_PARAMETER);
    } else if (!launch.fileExisted) {
        SetError(ERROR_FILE_NOT_FOUND);
        info->hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_FNF);
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
