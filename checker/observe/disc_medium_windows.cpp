// Windows: a disc image is mounted by Windows itself, as a drive; this build reads what Windows
// shows there, and given the image's file says how to get it.
#include "medium_kinds.h"

#include <windows.h>

bool TakesDiscImage(const std::string &path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<Medium> OpenDiscImage(const std::string &path, std::string *error) {
    *error = path + ": a file, not a directory: mount a disc image (open it in Explorer) and "
                    "check the drive it gets, as in medium-check.exe E:\\";
    return nullptr;
}
