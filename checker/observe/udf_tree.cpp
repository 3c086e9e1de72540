// The tree is read a directory at a time through libudfread's directory calls, each file's size
// and first block from its file entry; libudfread's names are its own UTF-8, where a UCS-2 name's
// characters are encoded one by one as this check encodes Joliet's, and U+0000 is C0 80.
#include "udf_tree.h"

#include "udf_blocks.h"

#include <udfread/udfread.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// What one call into libudfread may read: the volume's descriptors, its root directory and the
// metadata files; a directory with its entry; a file entry with its chain of allocation extents.
const std::uint32_t kVolumeBlocks = 1024 + kLargestDirectory / kImageBlock;
const std::uint32_t kDirectoryBlocks = 16 + kLargestDirectory / kImageBlock;
const std::uint32_t kEntryBlocks = 64;
const std::size_t kPiece = std::size_t{64} * 1024;

struct UdfClose {
    void operator()(udfread *udf) const {
        udfread_close(udf);
    }
};
struct DirectoryClose {
    void operator()(UDFDIR *directory) const {
        udfread_closedir(directory);
    }
};
struct FileClose {
    void operator()(UDFFILE *file) const {
        udfread_file_close(file);
    }
};
using Directory = std::unique_ptr<UDFDIR, DirectoryClose>;
using File = std::unique_ptr<UDFFILE, FileClose>;

// libudfread tells standard error what it finds wrong with a volume; the check says it in its own
// words. While one of these lives, the standard error stream writes nowhere (glibc's standard
// streams are variables to be set); what is written to the descriptor itself, as a sanitizer's
// report, still shows.
class QuietStandardError {
  public:
    QuietStandardError() : null_(std::fopen("/dev/null", "w")), saved_(stderr) {
        if (null_ != nullptr) {
            stderr = null_;
        }
    }
    ~QuietStandardError() {
        stderr = saved_;
        if (null_ != nullptr) {
            static_cast<void>(std::fclose(null_));
        }
    }
    QuietStandardError(const QuietStandardError &) = delete;
    QuietStandardError &operator=(const QuietStandardError &) = delete;

  private:
    std::FILE *null_;
    std::FILE *saved_;
};

// A name Windows shows as it is: one holding a separator or U+0000 it renders otherwise.
bool ShownAsItIs(const std::string &name) {
    return name.find_first_of("/\\") == std::string::npos &&
           name.find("\xC0\x80") == std::string::npos;
}

} // namespace

class UdfVolume {
  public:
    UdfVolume(int file, std::uint64_t bytes) : blocks(file, bytes), bytes(bytes) {}
    UdfBlocks blocks;
    std::unique_ptr<udfread, UdfClose> udf;
    std::uint64_t bytes;
};

void UdfVolumeClose::operator()(UdfVolume *volume) const {
    delete volume;
}

namespace {

class TreeReader {
  public:
    TreeReader(UdfVolume *volume, ImageTree *tree) : volume_(volume), tree_(tree) {}

    // A directory libudfread has read, the identifiers it lists of it in their order.
    void Read(UDFDIR *directory, const std::vector<UdfIdentifier> &identifiers,
              const std::string &path, int depth) {
        if (depth > kDeepestDirectory) {
            throw ImageDamaged("UDF directories nested deeper than " +
                               std::to_string(kDeepestDirectory) + " levels");
        }
        // libudfread opens the first file of a name: a later one of that name it never reaches.
        std::set<std::string> names;
        size_t index = 0;
        udfread_dirent dirent{};
        while (udfread_readdir(directory, &dirent) != nullptr) {
            const bool isDirectory = dirent.d_type == UDF_DT_DIR;
            if (index == identifiers.size() || identifiers[index].directory != isDirectory) {
                throw Unreadable("directory", path);
            }
            const std::string name = dirent.d_name;
            const bool seen = !names.insert(name).second;
            if (identifiers[index++].deleted) {
                continue;
            }
            ImageEntry entry;
            entry.path = PathBelow(path, name);
            entry.directory = isDirectory;
            entry.depth = depth + 1;
            if (seen) {
                throw ImageDamaged("two UDF files named /" + entry.path +
                                   ", which this check cannot tell apart");
            }
            if (!ShownAsItIs(name)) {
                throw ImageDamaged("a UDF file name Windows does not show as it is: /" +
                                   entry.path);
            }
            if (isDirectory) {
                ReadDirectory(directory, dirent.d_name, entry);
            } else {
                ReadFile(directory, dirent.d_name, std::move(entry));
            }
        }
        if (index != identifiers.size()) {
            throw Unreadable("directory", path);
        }
    }

  private:
    static ImageDamaged Unreadable(const std::string &what, const std::string &path) {
        return ImageDamaged("a UDF " + what + " this check cannot read: /" + path);
    }

    void Damaged() const {
        if (!volume_->blocks.Damage().empty()) {
            throw ImageDamaged(volume_->blocks.Damage());
        }
    }

    void Add(const ImageEntry &entry) {
        tree_->entries.push_back(entry);
        if (tree_->entries.size() > kMostImageEntries) {
            throw ImageDamaged("more than " + std::to_string(kMostImageEntries) + " files");
        }
    }

    void ReadDirectory(UDFDIR *parent, const char *name, const ImageEntry &entry) {
        volume_->blocks.Begin("the UDF directory /" + entry.path, kDirectoryBlocks, true);
        const Directory directory(udfread_opendir_at(parent, name));
        Damaged();
        std::optional<std::vector<UdfIdentifier>> identifiers = volume_->blocks.TakeDirectory();
        if (!directory || !identifiers) {
            throw Unreadable("directory", entry.path);
        }
        Add(entry);
        Read(directory.get(), *identifiers, entry.path, entry.depth);
    }

    void ReadFile(UDFDIR *parent, const char *name, ImageEntry entry) {
        volume_->blocks.Begin("the UDF file entry of /" + entry.path, kEntryBlocks, true);
        const File file(udfread_file_openat(parent, name));
        Damaged();
        const std::int64_t size = file ? udfread_file_size(file.get()) : -1;
        if (size < 0) {
            throw Unreadable("file entry", entry.path);
        }
        entry.size = static_cast<std::uint64_t>(size);
        // 0 where the data lie in the entry, or no block is recorded for them.
        entry.block = udfread_file_lba(file.get(), 0);
        Add(entry);
    }

    UdfVolume *volume_;
    ImageTree *tree_;
};

} // namespace

UdfVolumeHandle ReadUdfVolume(int file, std::uint64_t bytes, ImageTree *tree) {
    UdfVolumeHandle volume(new UdfVolume(file, bytes));
    const QuietStandardError quiet;
    volume->udf.reset(udfread_init());
    if (!volume->udf) {
        throw std::bad_alloc();
    }
    volume->blocks.Begin("the UDF volume's descriptors and root directory", kVolumeBlocks, true);
    const int opened = udfread_open_input(volume->udf.get(), volume->blocks.Input());
    if (!volume->blocks.Damage().empty()) {
        throw ImageDamaged(volume->blocks.Damage());
    }
    const std::optional<std::vector<UdfIdentifier>> root = volume->blocks.TakeDirectory();
    const Directory directory(opened == 0 ? udfread_opendir(volume->udf.get(), "/") : nullptr);
    if (!directory || !root) {
        return nullptr;
    }
    tree->system = FileSystem::Udf;
    TreeReader(volume.get(), tree).Read(directory.get(), *root, "", 0);
    return volume;
}

bool StreamUdfFile(UdfVolume &volume, const ImageEntry &entry, std::ostream &out) {
    if (entry.size > volume.bytes) {
        return false;
    }
    const QuietStandardError quiet;
    volume.blocks.Begin("the UDF file entry of /" + entry.path, kEntryBlocks, true);
    const File file(udfread_file_open(volume.udf.get(), entry.path.c_str()));
    if (!file || !volume.blocks.Damage().empty()) {
        return false;
    }
    const std::uint64_t blocks = entry.size / kImageBlock + 2;
    volume.blocks.Begin("the UDF file /" + entry.path,
                        static_cast<std::uint32_t>(std::min<std::uint64_t>(
                            blocks, std::numeric_limits<std::uint32_t>::max())),
                        false);
    std::vector<char> piece(kPiece);
    for (std::uint64_t done = 0; done < entry.size;) {
        const ssize_t read = udfread_file_read(
            file.get(), piece.data(),
            static_cast<size_t>(std::min<std::uint64_t>(kPiece, entry.size - done)));
        if (read <= 0) {
            return false;
        }
        out.write(piece.data(), read);
        done += static_cast<std::uint64_t>(read);
    }
    return true;
}
