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

const std::vector<Launch> &Launches() {
    return TheWorld().launches;
}

static std::string Text(LPCSTR text) {
    return text ? text : "";
}

extern "C" BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA *info) {
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
