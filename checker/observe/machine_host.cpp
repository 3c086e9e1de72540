// The build machine: the simulated Windows, which the loader's own readers read exactly as they
// read Windows.
#include "machine.h"
#include "machine_host.h"
#include "medium.h"

#include <winsim.h>

#include <filesystem>

void PrepareMachine() {
    winsim::Reset();
    winsim::SetTempPath(std::string(kTempDirectory) + "\\");
    winsim::AddDirectory(kTempDirectory);
    winsim::SetModulePath(std::string(kMediumRoot) + kLoaderName);
}

void ShowToMachine(const std::string &path, const std::string &bytes) {
    winsim::AddFile(path, bytes);
}

std::string WriteScratchCopy(const std::string &bytes) {
    std::string copy = std::string(kTempDirectory) + "\\autorun-copy.inf";
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
