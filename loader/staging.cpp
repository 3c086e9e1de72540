// Where the run stages the package: the temporary directory joined with RuntimePackage.
#include "loader.h"
#include "paths.h"

#include <windows.h>

#include <string.h>

int FormStagingPath(const char *runtimePackage, char *stagingPath) {
    char tempDirectory[kPathCapacity] = {0};
    DWORD length = GetTempPathA(sizeof(tempDirectory), tempDirectory);
    if (length == 0 || length >= sizeof(tempDirectory) || !IsNameBelowDirectory(runtimePackage)) {
        return 0;
    }
    size_t end = strlen(tempDirectory);
    if (end > 0 && tempDirectory[end - 1] == '\\') {
        tempDirectory[end - 1] = '\0';
    }
    return JoinPath(stagingPath, kPathCapacity, tempDirectory, runtimePackage);
}
