// The build machine: the medium's real files behind the simulated Windows, so the loader's own
// readers take them exactly as on Windows. The medium sits at the root of drive E:, and the
// temporary directory is shown as %TEMP%: it exists and, as on any machine, holds none of the
// medium's sub-directories. Any other path names a file of the target machine, which this one
// cannot tell. A disc image is the same medium: its names are the ones Windows reads, and a file
// a reader needs is streamed out of it into a scratch directory, removed when the medium is.
#include "medium.h"

#include "disc_image.h"

#include "../model/ascii.h"

#include <loader.h>
#include <paths.h>
#include <winsim.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <system_error>

#include <stdlib.h>

namespace fs = std::filesystem;

struct MediumImage {
    ImageReading reading;
    DiscImage facts;
    std::map<std::string, size_t> byName; // Windows' names, in one case, to entries
    std::string scratch;                  // where files are streamed out to
    std::map<size_t, std::string> streamed;
    MediumImage() = default;
    MediumImage(const MediumImage &) = delete;
    MediumImage &operator=(const MediumImage &) = delete;
    ~MediumImage() {
        std::error_code error;
        if (!scratch.empty()) {
            fs::remove_all(scratch, error);
        }
    }
};

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

std::string ImageName(const std::string &windowsName) {
    std::string name = windowsName;
    std::replace(name.begin(), name.end(), '\\', '/');
    std::string joined;
    std::istringstream pieces(name);
    std::string piece;
    while (std::getline(pieces, piece, '/')) {
        if (!piece.empty() && piece != ".") {
            joined += (joined.empty() ? "" : "/") + piece;
        }
    }
    return AsciiLower(joined);
}

bool OpenImage(const std::string &path, Medium *medium, std::string *error) {
    auto image = std::make_shared<MediumImage>();
    switch (OpenDiscImage(path, &image->reading, error)) {
    case ImageOpening::NotAnImage:
        *error = path + ": neither a directory nor a disc image (ISO 9660 or UDF)";
        return false;
    case ImageOpening::Unreadable:
        return false;
    case ImageOpening::Image:
        break;
    }
    image->facts = CompareImageNames(image->reading);
    if (image->reading.windows) {
        const std::vector<ImageEntry> &entries = image->reading.windows->entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            image->byName.emplace(AsciiLower(entries[i].path), i);
        }
    }
    std::string scratch = (fs::temp_directory_path() / "medium-check-XXXXXX").string();
    if (mkdtemp(scratch.data()) == nullptr) {
        *error = scratch + ": " + std::strerror(errno);
        return false;
    }
    image->scratch = scratch;
    medium->image = image;
    return true;
}

// A file of the image, streamed out once; empty when the image ends before it does.
std::string StreamedOut(MediumImage &image, size_t index) {
    auto done = image.streamed.find(index);
    if (done != image.streamed.end()) {
        return done->second;
    }
    const ImageEntry &entry = image.reading.windows->entries[index];
    const fs::path directory = fs::path(image.scratch) / std::to_string(index);
    std::error_code error;
    fs::create_directory(directory, error);
    std::string target = (directory / fs::path(entry.path).filename()).string();
    if (!ExtractImageFile(image.reading, entry, target)) {
        target.clear();
    }
    image.streamed[index] = target;
    return target;
}

MachineFile LookUpInImage(MediumImage &image, const std::string &name) {
    MachineFile file;
    const std::string key = ImageName(name);
    if (key.empty()) {
        file.kind = FileKind::Directory;
        return file;
    }
    const auto found = image.byName.find(key);
    if (found == image.byName.end()) {
        file.kind = FileKind::Missing;
        file.nameOnMedium = name;
        std::replace(file.nameOnMedium.begin(), file.nameOnMedium.end(), '\\', '/');
        return file;
    }
    const ImageEntry &entry = image.reading.windows->entries[found->second];
    file.kind = entry.directory ? FileKind::Directory : FileKind::File;
    file.nameOnMedium = entry.path;
    if (!entry.directory) {
        file.hostPath = StreamedOut(image, found->second);
    }
    return file;
}

} // namespace

bool OpenMedium(const std::string &directory, Medium *medium, std::string *modulePath,
                std::string *error) {
    std::error_code status;
    if (fs::is_regular_file(directory, status)) {
        if (!OpenImage(directory, medium, error)) {
            return false;
        }
    } else {
        fs::directory_iterator listing(directory, status);
        if (status) {
            *error = directory + ": " + status.message();
            return false;
        }
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
        if (medium.image) {
            return LookUpInImage(*medium.image, name);
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
    if (file.kind != FileKind::File || file.hostPath.empty()) {
        return std::nullopt;
    }
    std::ifstream in(file.hostPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    winsim::AddFile(path, bytes);
    return bytes;
}

std::optional<DiscImage> ImageOf(const Medium &medium) {
    return medium.image ? std::optional<DiscImage>(medium.image->facts) : std::nullopt;
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
