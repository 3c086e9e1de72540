// Where the run finds itself, its descriptor and its temporary directory.
#include "loader.h"
#include "paths.h"

#include <windows.h>

int ReadModulePath(char *modulePath) {
    // A module path that fills the buffer was cut, and may be unterminated.
    return GetModuleFileNameA(NULL, modulePath, kPathCapacity) < kPathCapacity;
}

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
