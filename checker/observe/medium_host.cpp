// The build machine: the medium's real files behind the simulated Windows, so the loader's own
// readers take them exactly as on Windows. The medium sits at the root of drive E:, and the
// temporary directory is shown as %TEMP%: it exists and, as on any machine, holds none of the
// medium's sub-directories. Any other path names a file of the target machine, which this one
// cannot tell.
#include "medium.h"

#include "../model/ascii.h"

#include <loader.h>
#include <paths.h>
#include <winsim.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char kMediumRoot[] = "E:\\";
const char kTempDirectory[] = "%TEMP%";

// The file a Windows name relative to the medium names, each name matched without regard to
// case as Windows matches it, whatever the build machine's file system does.
std::optional<fs::path> MatchOnMedium(const fs::path &root, const std::string &name) {
    fs::path current = root;
    std::string names = name;
    std::replace(names.begin(), names.end(), '/', '\\');
    std::istringstream pieces(names);
    std::string piece;
    while (std::getline(pieces, piece, '\\')) {
        if (piece.empty() || piece == ".") {
            continue;
        }
        std::error_code error;
        auto entries = fs::directory_iterator(current, error);
        if (error) {
            return std::nullopt;
        }
        auto match = std::find_if(begin(entries), end(entries), [&](const auto &entry) {
            return AsciiLower(entry.path().filename().string()) == AsciiLower(piece);
        });
        if (match == end(entries)) {
            return std::nullopt;
        }
        current = match->path();
    }
    return current;
}

FileKind KindOf(const fs::path &path) {
    std::error_code error;
    return fs::is_directory(path, error)      ? FileKind::Directory
           : fs::is_regular_file(path, error) ? FileKind::File
                                              : FileKind::Missing;
}

} // namespace

bool OpenMedium(const std::string &directory, Medium *medium, std::string *modulePath,
                std::string *error) {
    std::error_code status;
    fs::directory_iterator listing(directory, status);
    if (status) {
        *error = directory + ": " + status.message();
        return false;
    }
    medium->directory = directory;
    winsim::Reset();
    winsim::SetTempPath(std::string(kTempDirectory) + "\\");
    winsim::AddDirectory(kTempDirectory);
    winsim::SetModulePath(std::string(kMediumRoot) + kLoaderName);
    char path[kPathCapacity] = {0};
    *modulePath = ReadModulePath(path) ? path : "";
    return true;
}

MachineFile LookUp(const Medium &medium, const std::string &path) {
    MachineFile file;
    const std::string root = kMediumRoot;
    if (path.compare(0, root.size(), root) == 0) {
        std::string name = path.substr(root.size());
        name.erase(0, name.find_first_not_of('\\'));
        if (!name.empty() && !IsNameBelowDirectory(name.c_str())) {
            return file;
        }
        std::optional<fs::path> found = MatchOnMedium(medium.directory, name);
        file.kind = found ? KindOf(*found) : FileKind::Missing;
        if (found) {
            file.hostPath = found->string();
            name = found->lexically_relative(medium.directory).generic_string();
        }
        std::replace(name.begin(), name.end(), '\\', '/');
        file.nameOnMedium = name;
        return file;
    }
    if (path.compare(0, sizeof(kTempDirectory) - 1, kTempDirectory) == 0) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        file.kind = attributes == INVALID_FILE_ATTRIBUTES          ? FileKind::Missing
                    : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                                                                   : FileKind::File;
    }
    return file;
}

std::optional<std::string> ReadMediumFile(const Medium &medium, const std::string &path) {
    const MachineFile file = LookUp(medium, path);
    if (file.kind != FileKind::File) {
        return std::nullopt;
    }
    std::ifstream in(file.hostPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    winsim::AddFile(path, bytes);
    return bytes;
}

std::string WriteScratchCopy(const std::string &bytes) {
    std::string copy = std::string(kTempDirectory) + "\\autorun-copy.inf";
    winsim::AddFile(copy, bytes);
    return copy;
}

void RemoveScratchCopy(const std::string &path) {
    winsim::RemoveFile(path);
}

std::string CheckerDirectory() {
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error).parent_path().string();
}
