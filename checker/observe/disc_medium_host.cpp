// The build machine: a disc image as Windows mounts it. Its names are the ones Windows reads, and
// a file a reader needs is streamed out of it, once, into a scratch directory that goes with the
// medium.
#include "disc_image.h"
#include "drive_medium_host.h"
#include "medium_kinds.h"

#include "../model/ascii.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>

#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

// A Windows name on the medium as the image's tree names it: '/' between names, in one case.
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

class DiscMedium : public DriveMedium {
  public:
    DiscMedium(const std::string &path, ImageReading reading, std::string scratch)
        : DriveMedium(path), reading_(std::move(reading)), naming_(CompareImageNames(reading_)),
          scratch_(std::move(scratch)) {
        if (reading_.windows) {
            const std::vector<ImageEntry> &entries = reading_.windows->entries;
            for (size_t i = 0; i < entries.size(); ++i) {
                byName_.emplace(AsciiLower(entries[i].path), i);
            }
        }
    }
    ~DiscMedium() override {
        std::error_code error;
        fs::remove_all(scratch_, error);
    }
    DiscMedium(const DiscMedium &) = delete;
    DiscMedium &operator=(const DiscMedium &) = delete;

    std::optional<MediumNaming> Naming() const override {
        return naming_;
    }
    bool IsFile() const override {
        return true;
    }

  protected:
    MachineFile LookUpName(const std::string &name) override {
        MachineFile file;
        const std::string key = ImageName(name);
        if (key.empty()) {
            file.kind = FileKind::Directory;
            return file;
        }
        const auto found = byName_.find(key);
        if (found == byName_.end()) {
            file.kind = FileKind::Missing;
            file.nameOnMedium = name;
            std::replace(file.nameOnMedium.begin(), file.nameOnMedium.end(), '\\', '/');
            return file;
        }
        const ImageEntry &entry = reading_.windows->entries[found->second];
        file.kind = entry.directory ? FileKind::Directory : FileKind::File;
        file.nameOnMedium = entry.path;
        if (!entry.directory) {
            file.hostPath = StreamedOut(found->second);
        }
        return file;
    }

  private:
    // A file of the image, streamed out once; empty when the image ends before it does.
    std::string StreamedOut(size_t index) {
        auto done = streamed_.find(index);
        if (done != streamed_.end()) {
            return done->second;
        }
        const ImageEntry &entry = reading_.windows->entries[index];
        const fs::path directory = fs::path(scratch_) / std::to_string(index);
        std::error_code error;
        fs::create_directory(directory, error);
        std::string target = (directory / fs::path(entry.path).filename()).string();
        if (!ExtractImageFile(reading_, entry, target)) {
            target.clear();
        }
        streamed_[index] = target;
        return target;
    }

    ImageReading reading_;
    MediumNaming naming_;
    std::string scratch_;                  // where files are streamed out to
    std::map<std::string, size_t> byName_; // Windows' names, in one case, to entries
    std::map<size_t, std::string> streamed_;
};

} // namespace

bool TakesDiscImage(const std::string &path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && IsDiscImage(path);
}

std::unique_ptr<Medium> OpenDiscImage(const std::string &path, std::string *error) {
    ImageReading reading;
    switch (ReadDiscImage(path, &reading, error)) {
    case ImageOpening::NotAnImage:
        *error = path + ": not a disc image";
        return nullptr;
    case ImageOpening::Unreadable:
        return nullptr;
    case ImageOpening::Image:
        break;
    }
    std::string scratch = (fs::temp_directory_path() / "medium-check-XXXXXX").string();
    if (mkdtemp(scratch.data()) == nullptr) {
        *error = scratch + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<DiscMedium>(path, std::move(reading), scratch);
}
