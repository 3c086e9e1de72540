// What a path names, as GetFileAttributesA tells it on either build.
#include "medium.h"

#include <windows.h>

FileKind KindOf(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return FileKind::Missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory : FileKind::File;
}
