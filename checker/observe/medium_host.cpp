// The build machine: the medium's real files behind the simulated Windows, so the loader's own
// readers take them exactly as on Windows. The medium sits at the root of drive E:, and the
// temporary directory is shown as %TEMP%: it exists and, as on any machine, holds none of the
// medium's sub-directories.
#include "medium.h"

#include <paths.h>
#include <winsim.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char kMediumRoot[] = "E:\\";

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The file a Windows name relative to the medium names, each name matched without regard to
// case as Windows matches it, whatever the build machine's file system does.
std::optional<fs::path> FindOnMedium(const fs::path &root, const std::string &name) {
    fs::path current = root;
    std::istringstream names(name);
    std::string part;
    while (std::getline(names, part, '\\')) {
        std::istringstream pieces(part);
        std::string piece;
        while (std::getline(pieces, piece, '/')) {
            if (piece.empty() || piece == ".") {
                continue;
            }
            std::error_code error;
            auto entries = fs::directory_iterator(current, error);
            if (error) {
                return std::nullopt;
            }
            auto match = std::find_if(begin(entries), end(entries), [&](const auto &entry) {
                return Upper(entry.path().filename().string()) == Upper(piece);
            });
            if (match == end(entries)) {
                return std::nullopt;
            }
            current = match->path();
        }
    }
    return fs::is_regular_file(current) ? std::optional<fs::path>(current) : std::nullopt;
}

} // namespace

bool FindLoader(const Options &options, std::string *modulePath, std::string *error) {
    std::error_code status;
    fs::directory_iterator listing(options.medium, status);
    if (status) {
        *error = options.medium + ": " + status.message();
        return false;
    }
    winsim::Reset();
    winsim::SetTempPath("%TEMP%\\");
    winsim::AddDirectory("%TEMP%");
    *modulePath = std::string(kMediumRoot) + kLoaderName;
    return true;
}

std::optional<std::string> OpenMediumFile(const Options &options, const std::string &path) {
    const std::string root = kMediumRoot;
    if (path.compare(0, root.size(), root) != 0) {
        return std::nullopt;
    }
    std::optional<fs::path> file = FindOnMedium(options.medium, path.substr(root.size()));
    if (!file) {
        return std::nullopt;
    }
    std::ifstream in(*file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    winsim::AddFile(path, bytes);
    return bytes;
}

FileKind FindPackage(const Options &options, const char *runtimePackage,
                     const char * /*sourcePath*/) {
    if (!IsNameBelowDirectory(runtimePackage)) {
        return FileKind::Unknown;
    }
    return FindOnMedium(options.medium, runtimePackage) ? FileKind::File : FileKind::Missing;
}

std::optional<std::string> MediumFilePath(const Options &options, const std::string &path) {
    const std::string root = kMediumRoot;
    if (path.compare(0, root.size(), root) != 0) {
        return std::nullopt;
    }
    std::optional<fs::path> file = FindOnMedium(options.medium, path.substr(root.size()));
    return file ? std::optional<std::string>(file->string()) : std::nullopt;
}

std::string NameOnMedium(const Options &options, const std::string &path) {
    const std::string root = kMediumRoot;
    std::optional<fs::path> file = FindOnMedium(options.medium, path.substr(root.size()));
    return file ? file->lexically_relative(options.medium).generic_string()
                : fs::path(path.substr(root.size())).generic_string();
}

std::string PlaceScratchCopy(const std::string &bytes) {
    std::string copy = "%TEMP%\\autorun-copy.inf";
    winsim::AddFile(copy, bytes);
    return copy;
}

void RemoveScratchCopy(const std::string &path) {
    winsim::RemoveFile(path);
}

std::optional<std::string> LocatePackage(const Options &options, const char *runtimePackage,
                                         const char * /*sourcePath*/) {
    if (!IsNameBelowDirectory(runtimePackage)) {
        return std::nullopt;
    }
    std::optional<fs::path> file = FindOnMedium(options.medium, runtimePackage);
    return file ? std::optional<std::string>(file->string()) : std::nullopt;
}

std::string CheckerDirectory() {
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error).parent_path().string();
}
