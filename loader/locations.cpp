// Where the run finds itself, its descriptor and its temporary directory.
#include "loader.h"
#include "paths.h"

#include <windows.h>

// The ANSI module path is the wide one converted with best fit: a character the code page lacks
// becomes '?', which is in no file name, and one it best-fits a look-alike letter (U+0141 and
// U+017A of a Polish "Lodz" become "L" and "z" in 1252), which names another folder or none;
// either way the medium beside the program is not found. Converted without best fit, the wide
// path tells whether it was exact. The short form holds only characters the code page has, where
// the volume keeps short names; it is converted without best fit too, so where the volume keeps
// none the path names nothing rather than another folder. 0 when the converted path does not fit.
static int TakeExactModulePath(char *modulePath) {
    WCHAR longPath[kPathCapacity];
    WCHAR shortPath[kPathCapacity];
    char exactPath[kPathCapacity];
    BOOL inexact = FALSE;
    // The path calls give 0 on failure and kPathCapacity or more when the path does not fit; the
    // conversion fails where it cannot tell (a UTF-8 code page takes no lpUsedDefaultChar). The
    // ANSI path then stays as it is.
    if (GetModuleFileNameW(NULL, longPath, kPathCapacity) - 1 >= kPathCapacity - 1 ||
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, longPath, -1, exactPath, kPathCapacity,
                            NULL, &inexact) == 0 ||
        !inexact ||
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
    return TakeExactModulePath(modulePath);
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
