// What a path names, as GetFileAttributesA tells it on either machine.
#include "machine.h"

#include <windows.h>

namespace {

DWORD Attributes(const std::string &path) {
    return GetFileAttributesA(path.c_str());
}

} // namespace

bool IsFile(const std::string &path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string &path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
