// Windows: the medium where it lies. Its directory is found as the loader finds its own, from a
// program's full path.
#include "medium.h"

#include <windows.h>

#include <fstream>
#include <iterator>

bool FindLoader(const Options &options, std::string *modulePath, std::string *error) {
    char path[MAX_PATH] = {0};
    if (options.medium.empty()) {
        GetModuleFileNameA(NULL, path, sizeof(path));
    } else {
        std::string program = options.medium + "\\" + kLoaderName;
        GetFullPathNameA(program.c_str(), sizeof(path), path, NULL);
    }
    *modulePath = path;
    std::string directory = modulePath->substr(0, modulePath->find_last_of('\\'));
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (KindOf(directory) != FileKind::Directory || listing == INVALID_HANDLE_VALUE) {
        *error = (options.medium.empty() ? directory : options.medium) +
                 ": not a directory that can be read";
        return false;
    }
    FindClose(listing);
    return true;
}

std::optional<std::string> OpenMediumFile(const Options & /*options*/, const std::string &path) {
    if (KindOf(path) != FileKind::File) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

FileKind FindPackage(const Options & /*options*/, const char * /*runtimePackage*/,
                     const char *sourcePath) {
    return KindOf(sourcePath) == FileKind::File ? FileKind::File : FileKind::Missing;
}

std::optional<std::string> LocatePackage(const Options & /*options*/,
                                         const char * /*runtimePackage*/, const char *sourcePath) {
    return KindOf(sourcePath) == FileKind::File ? std::optional<std::string>(sourcePath)
                                                : std::nullopt;
}

std::string CheckerDirectory() {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, sizeof(path));
    std::string program = path;
    return program.substr(0, program.find_last_of('\\'));
}

std::optional<std::string> MediumFilePath(const Options & /*options*/, const std::string &path) {
    return KindOf(path) == FileKind::File ? std::optional<std::string>(path) : std::nullopt;
}

std::string NameOnMedium(const Options & /*options*/, const std::string &path) {
    return path.substr(path.find_last_of('\\') + 1);
}

std::string PlaceScratchCopy(const std::string &bytes) {
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
