// The build machine: the simulated Windows, which the loader's own readers read exactly as they
// read Windows.
#include "machine.h"
#include "machine_host.h"
#include "medium.h"

#include <windows.h>
#include <winsim.h>

#include <filesystem>

Machine PrepareMachine(const Machine &described) {
    winsim::Reset();
    winsim::SetCodePage(described.codePage);
    // The temporary directory exists and, as on any machine, holds none of the medium's files.
    winsim::SetTempPath(described.tempDirectory + "\\");
    winsim::AddDirectory(described.tempDirectory);
    winsim::SetModulePath(std::string(kMediumRoot) + kLoaderName);
    return described;
}

void ShowToMachine(const std::string &path, const std::string &bytes) {
    winsim::AddFile(path, bytes);
}

std::string WriteScratchCopy(const std::string &bytes) {
    char directory[MAX_PATH] = {0};
    GetTempPathA(sizeof(directory), directory);
    std::string copy = std::string(directory) + "autorun-copy.inf";
    winsim::AddFile(copy, bytes);
    return copy;
}

void RemoveScratchCopy(const std::string &path) {
    winsim::RemoveFile(path);
}

std::string CheckerDirectory() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
}
