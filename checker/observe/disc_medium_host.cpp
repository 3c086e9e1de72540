// The build machine: a disc image as Windows mounts it. Its names are the ones Windows reads, and
// a file a reader needs is streamed out of it, once, into a scratch directory that goes with the
// medium.
#include "disc_image.h"
#include "drive_medium_host.h"
#include "medium_kinds.h"
#include "unicode_names.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

// A Windows name on the medium as the image's tree names it: '/' between names.
std::u16string ImageName(const std::u16string &windowsName) {
    std::u16string joined;
    for (size_t start = 0; start <= windowsName.size();) {
        size_t end = windowsName.find_first_of(u"\\/", start);
        end = end == std::u16string::npos ? windowsName.size() : end;
        const std::u16string piece = windowsName.substr(start, end - start);
        if (!piece.empty() && piece != u".") {
            joined += (joined.empty() ? u"" : u"/") + piece;
        }
        start = end + 1;
    }
    return joined;
}

class DiscMedium : public DriveMedium {
  public:
    DiscMedium(const std::string &path, ImageReading reading, std::string scratch)
        : DriveMedium(path), reading_(std::move(reading)), naming_(CompareImageNames(reading_)),
          scratch_(std::move(scratch)) {}
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
    MachineFile LookUpName(const std::u16string &name) override {
        MachineFile file;
        const std::u16string wanted = ImageName(name);
        if (wanted.empty()) {
            file.kind = FileKind::Directory;
            return file;
        }
        static const std::vector<ImageEntry> kNone;
        const std::vector<ImageEntry> &entries =
            reading_.windows ? reading_.windows->entries : kNone;
        const auto found =
            std::find_if(entries.begin(), entries.end(), [&](const ImageEntry &entry) {
                return SameFileName(Utf16Of(entry.path), wanted);
            });
        if (found == entries.end()) {
            file.kind = FileKind::Missing;
            file.nameOnMedium = Utf8Of(wanted);
            return file;
        }
        file.kind = found->directory ? FileKind::Directory : FileKind::File;
        file.nameOnMedium = found->path;
        if (!found->directory) {
            file.hostPath = StreamedOut(static_cast<size_t>(found - entries.begin()));
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
    std::string scratch_; // where files are streamed out to
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
