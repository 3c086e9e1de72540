// Where the run finds its descriptor and its temporary directory.
#include "loader.h"
#include "paths.h"

#include <windows.h>

namespace {

const char kDescriptorName[] = "autorun.inf";

} // namespace

int LocateDescriptor(char *programDirectory, char *descriptorPath) {
    RemoveFileSpec(programDirectory);
    return JoinPath(descriptorPath, kPathCapacity, programDirectory, kDescriptorName);
}

void ReadTempPath(char *tempPath) {
    // A path that does not fit was not written whole: it is no temporary directory at all.
    DWORD length = GetTempPathA(kPathCapacity, tempPath);
    if (length == 0 || length >= kPathCapacity) {
        tempPath[0] = '\0';
    }
}
