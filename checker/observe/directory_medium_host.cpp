// The build machine: a directory, its names matched without regard to case as Windows matches
// them, whatever the build machine's file system does.
#include "drive_medium_host.h"
#include "medium_kinds.h"
#include "unicode_names.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The file a Windows name relative to the medium names, each name matched as Windows matches it,
// whatever the build machine's file system does: the medium's names are UTF-8 here.
std::optional<fs::path> MatchOnMedium(const fs::path &root, const std::u16string &name) {
    fs::path current = root;
    for (size_t start = 0; start <= name.size();) {
        size_t stop = name.find_first_of(u"\\/", start);
        stop = stop == std::u16string::npos ? name.size() : stop;
        const std::u16string piece = name.substr(start, stop - start);
        start = stop + 1;
        if (piece.empty() || piece == u".") {
            continue;
        }
        std::error_code error;
        auto entries = fs::directory_iterator(current, error);
        if (error) {
            return std::nullopt;
        }
        auto match = std::find_if(begin(entries), end(entries), [&](const auto &entry) {
            return SameFileName(Utf16Of(entry.path().filename().string()), piece);
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

class DirectoryMedium : public DriveMedium {
  public:
    explicit DirectoryMedium(const std::string &directory) : DriveMedium(directory) {}
    std::optional<MediumNaming> Naming() const override {
        return std::nullopt;
    }
    bool IsFile() const override {
        return false;
    }

  protected:
    MachineFile LookUpName(const std::u16string &name) override {
        MachineFile file;
        const std::optional<fs::path> found = MatchOnMedium(Directory(), name);
        file.kind = found ? KindOf(*found) : FileKind::Missing;
        file.nameOnMedium = Utf8Of(name);
        if (found) {
            file.hostPath = found->string();
            file.nameOnMedium = found->lexically_relative(Directory()).generic_string();
        }
        std::replace(file.nameOnMedium.begin(), file.nameOnMedium.end(), '\\', '/');
        return file;
    }
};

} // namespace

bool TakesDirectory(const std::string &path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::unique_ptr<Medium> OpenDirectory(const std::string &path, std::string *error) {
    std::error_code status;
    fs::directory_iterator listing(path, status);
    if (status) {
        *error = path + ": " + status.message();
        return nullptr;
    }
    return std::make_unique<DirectoryMedium>(path);
}
