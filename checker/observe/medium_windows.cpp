// Windows: the medium where it lies. Its directory is found as the loader finds its own, from a
// program's full path.
#include "medium.h"

#include <loader.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

std::string DirectoryOf(const std::string &path) {
    return path.substr(0, path.find_last_of('\\'));
}

} // namespace

bool OpenMedium(const std::string &directory, Medium *medium, std::string *modulePath,
                std::string *error) {
    char path[kPathCapacity] = {0};
    int whole = 0;
    if (directory.empty()) {
        whole = ReadModulePath(path);
    } else {
        // A path that does not fit is not written: the size it needs comes back instead.
        const std::string program = directory + "\\" + kLoaderName;
        whole = GetFullPathNameA(program.c_str(), sizeof(path), path, NULL) < sizeof(path);
    }
    medium->directory = DirectoryOf(whole ? path : directory);
    *modulePath = whole ? path : "";
    const DWORD given =
        directory.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(directory.c_str());
    if (given != INVALID_FILE_ATTRIBUTES && (given & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // Windows mounts a disc image itself, as a drive; this build reads what Windows shows.
        *error = directory + ": a file, not a directory: mount a disc image (open it in "
                             "Explorer) and check the drive it gets, as in medium-check.exe E:\\";
        return false;
    }
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((medium->directory + "\\*").c_str(), &found);
    if (LookUp(*medium, medium->directory).kind != FileKind::Directory ||
        listing == INVALID_HANDLE_VALUE) {
        *error = (directory.empty() ? medium->directory : directory) +
                 ": not a directory that can be read";
        return false;
    }
    FindClose(listing);
    return true;
}

MachineFile LookUp(const Medium &medium, const std::string &path) {
    MachineFile file;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    file.kind = attributes == INVALID_FILE_ATTRIBUTES          ? FileKind::Missing
                : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                                                               : FileKind::File;
    if (file.kind != FileKind::Missing) {
        file.hostPath = path;
    }
    char full[MAX_PATH] = {0};
    const std::string root = medium.directory + "\\";
    if (GetFullPathNameA(path.c_str(), sizeof(full), full, NULL) < sizeof(full) &&
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, full, static_cast<int>(root.size()),
                       root.c_str(), static_cast<int>(root.size())) == CSTR_EQUAL) {
        file.nameOnMedium = full + root.size();
        std::replace(file.nameOnMedium.begin(), file.nameOnMedium.end(), '\\', '/');
    }
    return file;
}

std::optional<std::string> ReadMediumFile(const Medium &medium, const std::string &path) {
    if (LookUp(medium, path).kind != FileKind::File) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::optional<DiscImage> ImageOf(const Medium & /*medium*/) {
    return std::nullopt;
}

std::string WriteScratchCopy(const std::string &bytes) {
    char directory[MAX_PATH] = {0};
    char copy[MAX_PATH] = {0};
    if (GetTempPathA(sizeof(directory), directory) == 0 ||
        GetTempFileNameA(directory, "mck", 0, copy) == 0) {
        return "";
    }
    std::ofstream out(copy, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return copy;
}

void RemoveScratchCopy(const std::string &path) {
    DeleteFileA(path.c_str());
}

std::string CheckerDirectory() {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, sizeof(path));
    return DirectoryOf(path);
}
