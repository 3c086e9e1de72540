// The volume descriptors are scanned as Windows' CD file system scans them (from block 16, up to
// the first block that is not a descriptor or is the terminator: the first primary one, the first
// supplementary one with a Joliet escape sequence). Its directory records are read here, because
// libcdio's directory reader gives a record's Rock Ridge name whenever there is one, which Windows
// never reads; libcdio's reader gives those names for the comparison only.
#include "disc_image.h"
#include "unicode_names.h"

#include "udf_tree.h"

#include <cdio/iso9660.h>
#include <cdio/logging.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <numeric>
#include <set>

// The image's open file, and the UDF volume read from it, which goes first.
class ImageFile {
  public:
    explicit ImageFile(const std::string &path) : file_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~ImageFile() {
        if (file_ >= 0) {
            close(file_);
        }
    }
    ImageFile(const ImageFile &) = delete;
    ImageFile &operator=(const ImageFile &) = delete;
    int Descriptor() const {
        return file_;
    }

  private:
    int file_;
};

struct ImageHandles {
    explicit ImageHandles(const std::string &path) : file(path) {}
    ImageFile file;
    UdfVolumeHandle udf;
};

namespace {

const std::uint32_t kFirstDescriptor = 16;
const std::uint32_t kMostDescriptors = 64;
const std::uint32_t kPieceBlocks = 32;

const std::uint8_t kDirectoryFlag = 0x02;
const std::uint8_t kAssociatedFlag = 0x04;
const std::uint8_t kMoreExtentsFlag = 0x80;

std::uint32_t Le32(const std::uint8_t *at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

bool ReadBlocks(const ImageHandles &handles, std::uint32_t block, std::uint32_t count,
                std::uint8_t *into) {
    const size_t length = static_cast<size_t>(count) * kImageBlock;
    const ssize_t read =
        pread(handles.file.Descriptor(), into, length, static_cast<off_t>(block) * kImageBlock);
    return read == static_cast<ssize_t>(length);
}

struct Root {
    std::uint32_t block = 0;
    std::uint32_t size = 0;
};

struct Descriptors {
    bool recognised = false;
    std::optional<Root> primary;
    std::optional<Root> joliet;
    bool udf = false;
};

// The root directory record of a volume descriptor.
Root RootOf(const std::uint8_t *descriptor) {
    return Root{Le32(descriptor + 156 + 2), Le32(descriptor + 156 + 10)};
}

bool IsJolietEscape(const std::uint8_t *escape) {
    return escape[0] == '%' && escape[1] == '/' &&
           (escape[2] == '@' || escape[2] == 'C' || escape[2] == 'E');
}

Descriptors ReadDescriptors(const ImageHandles &handles) {
    Descriptors found;
    std::uint8_t block[kImageBlock];
    for (std::uint32_t at = kFirstDescriptor; at < kFirstDescriptor + kMostDescriptors; ++at) {
        if (!ReadBlocks(handles, at, 1, block) || std::memcmp(block + 1, "CD001", 5) != 0 ||
            block[6] != 1 || block[0] == 255) {
            break;
        }
        found.recognised = true;
        if (block[0] == 1 && !found.primary) {
            found.primary = RootOf(block);
        } else if (block[0] == 2 && !found.joliet && IsJolietEscape(block + 88)) {
            found.joliet = RootOf(block);
        }
    }
    // UDF's recognition sequence follows the ISO 9660 descriptors: NSR02 or NSR03 marks a volume.
    for (std::uint32_t at = kFirstDescriptor; at < kFirstDescriptor + kMostDescriptors; ++at) {
        if (!ReadBlocks(handles, at, 1, block)) {
            break;
        }
        if (std::memcmp(block + 1, "NSR02", 5) == 0 || std::memcmp(block + 1, "NSR03", 5) == 0) {
            found.recognised = found.udf = true;
        }
    }
    return found;
}

// A record's name as Windows shows it: Joliet's UCS-2 big-endian as UTF-8, ISO 9660's bytes as
// they are; everything from the first ';' (the version) off, then one trailing '.'.
std::string WindowsName(const std::uint8_t *name, size_t length, bool joliet) {
    std::string text;
    if (joliet) {
        if (length % 2 != 0) {
            throw ImageDamaged("a Joliet name of an odd number of bytes");
        }
        std::u16string units;
        for (size_t i = 0; i < length; i += 2) {
            units += static_cast<char16_t>(name[i] << 8 | name[i + 1]);
        }
        text = Utf8Of(units);
    } else {
        text.assign(reinterpret_cast<const char *>(name), length);
    }
    text.resize(std::min(text.find(';'), text.size()));
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    if (text.empty() || text.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        throw ImageDamaged("a directory record without a name Windows can read");
    }
    return text;
}

// Rock Ridge's marks in a record's system use area: CL (a moved directory's place, with the
// block it moved to) and RE (the moved directory itself).
void ReadMarks(const std::uint8_t *record, size_t length, size_t nameLength, ImageEntry *entry) {
    size_t at = 33 + nameLength + (nameLength % 2 == 0 ? 1 : 0);
    while (at + 4 <= length) {
        const size_t size = record[at + 2];
        if (size < 4 || at + size > length) {
            break;
        }
        if (record[at] == 'C' && record[at + 1] == 'L' && size >= 12) {
            entry->placeholder = true;
            entry->block = Le32(record + at + 4);
        } else if (record[at] == 'R' && record[at + 1] == 'E') {
            entry->relocated = true;
        }
        at += size;
    }
}

struct Pending {
    Root directory;
    std::string path;
    int depth;
};

// One directory's records, in order, appended to tree; its directories to follow.
void ReadDirectory(const ImageHandles &handles, const Pending &pending, bool joliet,
                   ImageTree *tree, std::vector<Pending> *follow) {
    if (pending.directory.size > kLargestDirectory) {
        throw ImageDamaged("a directory larger than " + std::to_string(kLargestDirectory) +
                           " bytes");
    }
    const std::uint32_t blocks = (pending.directory.size + kImageBlock - 1) / kImageBlock;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(blocks) * kImageBlock);
    if (!ReadBlocks(handles, pending.directory.block, blocks, bytes.data())) {
        throw ImageDamaged("the image ends before its directory /" + pending.path);
    }
    bytes.resize(pending.directory.size);
    bool continued = false;
    for (size_t at = 0; at < bytes.size();) {
        const std::uint8_t *record = bytes.data() + at;
        const size_t length = record[0];
        if (length == 0) {
            at = (at / kImageBlock + 1) * kImageBlock;
            continue;
        }
        const size_t nameLength = length >= 33 ? record[32] : 0;
        if (length < 34 || at + length > bytes.size() || at % kImageBlock + length > kImageBlock ||
            33 + nameLength > length || nameLength == 0) {
            throw ImageDamaged("a damaged directory record in /" + pending.path);
        }
        at += length;
        const std::uint8_t flags = record[25];
        const std::uint32_t block = Le32(record + 2) + record[1];
        const std::uint32_t size = Le32(record + 10);
        if (nameLength == 1 && record[33] <= 1) {
            continue;
        }
        if (continued) {
            tree->entries.back().extents.emplace_back(block, size);
            tree->entries.back().size += size;
            continued = (flags & kMoreExtentsFlag) != 0;
            continue;
        }
        if ((flags & kAssociatedFlag) != 0) {
            continue;
        }
        ImageEntry entry;
        const std::string name = WindowsName(record + 33, nameLength, joliet);
        entry.path = PathBelow(pending.path, name);
        entry.directory = (flags & kDirectoryFlag) != 0;
        entry.size = size;
        entry.block = block;
        entry.depth = pending.depth + 1;
        entry.extents.emplace_back(block, size);
        ReadMarks(record, length, nameLength, &entry);
        continued = !entry.directory && (flags & kMoreExtentsFlag) != 0;
        if (entry.directory) {
            follow->push_back(Pending{Root{block, size}, entry.path, entry.depth});
        }
        tree->entries.push_back(entry);
        if (tree->entries.size() > kMostImageEntries) {
            throw ImageDamaged("more than " + std::to_string(kMostImageEntries) + " files");
        }
    }
}

ImageTree ReadIsoTree(const ImageHandles &handles, const Root &root, bool joliet) {
    ImageTree tree;
    tree.system = joliet ? FileSystem::Joliet : FileSystem::Iso9660;
    std::vector<Pending> follow{Pending{root, "", 0}};
    std::set<std::uint32_t> seen;
    while (!follow.empty()) {
        const Pending pending = follow.back();
        follow.pop_back();
        if (!seen.insert(pending.directory.block).second) {
            continue;
        }
        if (pending.depth > kDeepestDirectory) {
            throw ImageDamaged("directories nested deeper than " +
                               std::to_string(kDeepestDirectory) + " levels");
        }
        ReadDirectory(handles, pending, joliet, &tree, &follow);
    }
    return tree;
}

// Rock Ridge's names, through libcdio's reader; none when no record carries one.
std::optional<ImageTree> ReadRockRidgeTree(const std::string &path) {
    iso9660_t *iso = iso9660_open_ext(path.c_str(), ISO_EXTENSION_ROCK_RIDGE);
    if (iso == nullptr) {
        return std::nullopt;
    }
    ImageTree tree;
    tree.system = FileSystem::RockRidge;
    bool named = false;
    std::vector<std::pair<std::string, int>> follow{{"", 0}};
    std::set<lsn_t> seen;
    while (!follow.empty() && tree.entries.size() <= kMostImageEntries) {
        const auto [directory, depth] = follow.back();
        follow.pop_back();
        CdioISO9660FileList_t *list = iso9660_ifs_readdir(iso, ("/" + directory).c_str());
        if (list == nullptr) {
            continue;
        }
        CdioListNode_t *node = nullptr;
        _CDIO_LIST_FOREACH(node, list) {
            const auto *stat = static_cast<iso9660_stat_t *>(_cdio_list_node_data(node));
            const std::string name = stat->filename;
            if (name == "." || name == ".." || name.empty()) {
                continue;
            }
            named = named || stat->rr.b3_rock == yep;
            ImageEntry entry;
            entry.path = PathBelow(directory, name);
            entry.directory = stat->type == iso9660_stat_s::_STAT_DIR;
            entry.size = stat->size;
            entry.block = static_cast<std::uint32_t>(stat->lsn);
            entry.depth = depth + 1;
            if (entry.directory && stat->size <= kLargestDirectory && depth < kDeepestDirectory &&
                seen.insert(stat->lsn).second) {
                follow.emplace_back(entry.path, entry.depth);
            }
            tree.entries.push_back(entry);
        }
        iso9660_filelist_free(list);
    }
    iso9660_close(iso);
    return named ? std::optional<ImageTree>(tree) : std::nullopt;
}

bool StreamImage(const ImageHandles &handles, const ImageEntry &entry, std::ofstream &out) {
    std::vector<std::uint8_t> piece(static_cast<size_t>(kPieceBlocks) * kImageBlock);
    for (const auto &[block, bytes] : entry.extents) {
        for (std::uint64_t done = 0; done < bytes;) {
            const std::uint64_t left = bytes - done;
            const std::uint32_t blocks = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(kPieceBlocks, (left + kImageBlock - 1) / kImageBlock));
            if (!ReadBlocks(handles, block + static_cast<std::uint32_t>(done / kImageBlock), blocks,
                            piece.data())) {
                return false;
            }
            const std::uint64_t take =
                std::min<std::uint64_t>(left, static_cast<std::uint64_t>(blocks) * kImageBlock);
            out.write(reinterpret_cast<const char *>(piece.data()),
                      static_cast<std::streamsize>(take));
            done += take;
        }
    }
    return true;
}

} // namespace

bool IsDiscImage(const std::string &path) {
    const ImageHandles handles(path);
    return handles.file.Descriptor() >= 0 && ReadDescriptors(handles).recognised;
}

ImageOpening ReadDiscImage(const std::string &path, ImageReading *reading, std::string *error) {
    // libcdio tells standard error of what it cannot read; the check says so in its own words.
    cdio_loglevel_default = CDIO_LOG_ERROR;
    auto handles = std::make_shared<ImageHandles>(path);
    struct stat status {};
    if (handles->file.Descriptor() < 0 || fstat(handles->file.Descriptor(), &status) != 0) {
        *error = path + ": " + std::strerror(errno);
        return ImageOpening::Unreadable;
    }
    const Descriptors descriptors = ReadDescriptors(*handles);
    if (!descriptors.recognised) {
        return ImageOpening::NotAnImage;
    }
    reading->handles = handles;
    try {
        std::optional<ImageTree> udf;
        if (descriptors.udf) {
            udf.emplace();
            handles->udf = ReadUdfVolume(handles->file.Descriptor(),
                                         static_cast<std::uint64_t>(status.st_size), &*udf);
            if (!handles->udf) {
                *error = path + ": a UDF volume this check cannot read";
                return ImageOpening::Unreadable;
            }
        }
        // Windows' CD file system mounts nothing without a primary descriptor, Joliet or not.
        std::optional<ImageTree> joliet;
        if (descriptors.joliet && descriptors.primary) {
            joliet = ReadIsoTree(*handles, *descriptors.joliet, true);
        }
        std::optional<ImageTree> primary;
        if (descriptors.primary) {
            primary = ReadIsoTree(*handles, *descriptors.primary, false);
        }
        std::optional<ImageTree> rockRidge =
            descriptors.primary ? ReadRockRidgeTree(path) : std::nullopt;
        const std::pair<bool, FileSystem> systems[] = {
            {udf.has_value(), FileSystem::Udf},
            {joliet.has_value(), FileSystem::Joliet},
            {primary.has_value(), FileSystem::Iso9660},
            {rockRidge.has_value(), FileSystem::RockRidge}};
        for (const auto &[there, system] : systems) {
            if (there) {
                reading->present.push_back(system);
            }
        }
        reading->windows = udf ? udf : joliet ? joliet : primary;
        reading->others = rockRidge ? rockRidge : udf ? joliet : std::nullopt;
        reading->iso9660 = primary;
    } catch (const ImageDamaged &damage) {
        *error = path + ": " + damage.what();
        return ImageOpening::Unreadable;
    }
    return ImageOpening::Image;
}

bool ExtractImageFile(const ImageReading &reading, const ImageEntry &entry,
                      const std::string &target) {
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    // UDF's files are libudfread's to read: one whose data lie in its entry has no extent.
    if (reading.windows->system == FileSystem::Udf) {
        return StreamUdfFile(*reading.handles->udf, entry, out) && out.good();
    }
    const std::uint64_t recorded =
        std::accumulate(entry.extents.begin(), entry.extents.end(), std::uint64_t{0},
                        [](std::uint64_t sum, const auto &extent) { return sum + extent.second; });
    return recorded == entry.size && StreamImage(*reading.handles, entry, out) && out.good();
}
