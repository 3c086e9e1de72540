// Where the run finds itself, its descriptor and its temporary directory.
#include "loader.h"
#include "paths.h"

#include <windows.h>

#include <string.h>

// The ANSI path of a program whose path holds a character the code page lacks has '?' in its
// place, which is in no file name: it names nothing, and the medium beside it is never found. The
// short form of the path holds only characters the code page has, where the volume keeps short
// names. It is converted without best fit, which would put a look-alike letter, naming another
// file, where '?' belongs; so where the volume keeps no short names the path still names nothing,
// as before. 0 when the converted path does not fit.
static int TakeShortModulePath(char *modulePath) {
    WCHAR longPath[kPathCapacity];
    WCHAR shortPath[kPathCapacity];
    // Each gives 0 on failure and kPathCapacity or more when the path does not fit; the ANSI path
    // then stays as it is.
    if (GetModuleFileNameW(NULL, longPath, kPathCapacity) - 1 >= kPathCapacity - 1 ||
        GetShortPathNameW(longPath, shortPath, kPathCapacity) - 1 >= kPathCapacity - 1) {
        return 1;
    }
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortPath, -1, modulePath,
                               kPathCapacity, NULL, NULL) > 0;
}

int ReadModulePath(char *modulePath) {
    // A module path that fills the buffer was cut, and may be unterminated.
    if (GetModuleFileNameA(NULL, modulePath, kPathCapacity) >= kPathCapacity) {
        return 0;
    }
    // No trail byte of a double-byte code page is '?'.
    return strchr(modulePath, '?') == NULL || TakeShortModulePath(modulePath);
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
