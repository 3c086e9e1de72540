// The volume descriptors are scanned as Windows' CD file system scans them (from block 16, up to
// the first block that is not a descriptor or is the terminator: the first primary one, the first
// supplementary one with a Joliet escape sequence). Its directory records are read here, because
// libcdio's directory reader gives a record's Rock Ridge name whenever there is one, which Windows
// never reads; libcdio's reader gives those names for the comparison only.
#include "disc_image.h"

#include <cdio/iso9660.h>
#include <cdio/logging.h>
#include <cdio/bytesex.h>
#include <cdio/udf.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <numeric>
#include <set>
#include <stdexcept>

struct ImageHandles {
    int file = -1;
    udf_t *udf = nullptr;
    ImageHandles() = default;
    ImageHandles(const ImageHandles &) = delete;
    ImageHandles &operator=(const ImageHandles &) = delete;
    ~ImageHandles() {
        if (udf != nullptr) {
            udf_close(udf);
        }
        if (file >= 0) {
            close(file);
        }
    }
};

namespace {

const std::uint32_t kBlock = 2048;
const std::uint32_t kFirstDescriptor = 16;
// Bounds that keep a hostile image from holding the check: a real medium is far inside them.
const std::uint32_t kMostDescriptors = 64;
const int kDeepest = 64;
const size_t kMostEntries = 100000;
const std::uint32_t kLargestDirectory = 16 * 1024 * 1024;
// libudf reads a directory's whole extent whatever its identifiers hold: all UDF directories
// together may take no more than this.
const std::uint64_t kMostUdfDirectoryBytes = std::uint64_t{256} * 1024 * 1024;
const std::uint32_t kPieceBlocks = 32;

const std::uint8_t kDirectoryFlag = 0x02;
const std::uint8_t kAssociatedFlag = 0x04;
const std::uint8_t kMoreExtentsFlag = 0x80;

// Why an image cannot be read, as the error the command ends with.
struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::uint32_t Le32(const std::uint8_t *at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// A name below a directory of the image; the root is the empty path.
std::string Below(const std::string &directory, const std::string &name) {
    std::string path = directory;
    if (!path.empty()) {
        path += '/';
    }
    path += name;
    return path;
}

bool ReadBlocks(const ImageHandles &handles, std::uint32_t block, std::uint32_t count,
                std::uint8_t *into) {
    const size_t length = static_cast<size_t>(count) * kBlock;
    const ssize_t read = pread(handles.file, into, length, static_cast<off_t>(block) * kBlock);
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
    std::uint8_t block[kBlock];
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

void AppendUtf8(std::string *text, std::uint32_t c) {
    if (c < 0x80) {
        *text += static_cast<char>(c);
    } else if (c < 0x800) {
        *text += static_cast<char>(0xC0 | c >> 6);
        *text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *text += static_cast<char>(0xE0 | c >> 12);
        *text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A record's name as Windows shows it: Joliet's UCS-2 big-endian as UTF-8, ISO 9660's bytes as
// they are; everything from the first ';' (the version) off, then one trailing '.'.
std::string WindowsName(const std::uint8_t *name, size_t length, bool joliet) {
    std::string text;
    if (joliet) {
        if (length % 2 != 0) {
            throw Damaged("a Joliet name of an odd number of bytes");
        }
        for (size_t i = 0; i < length; i += 2) {
            AppendUtf8(&text, static_cast<std::uint32_t>(name[i]) << 8 | name[i + 1]);
        }
    } else {
        text.assign(reinterpret_cast<const char *>(name), length);
    }
    text.resize(std::min(text.find(';'), text.size()));
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    if (text.empty() || text.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        throw Damaged("a directory record without a name Windows can read");
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
        throw Damaged("a directory larger than " + std::to_string(kLargestDirectory) + " bytes");
    }
    const std::uint32_t blocks = (pending.directory.size + kBlock - 1) / kBlock;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(blocks) * kBlock);
    if (!ReadBlocks(handles, pending.directory.block, blocks, bytes.data())) {
        throw Damaged("the image ends before its directory /" + pending.path);
    }
    bytes.resize(pending.directory.size);
    bool continued = false;
    for (size_t at = 0; at < bytes.size();) {
        const std::uint8_t *record = bytes.data() + at;
        const size_t length = record[0];
        if (length == 0) {
            at = (at / kBlock + 1) * kBlock;
            continue;
        }
        const size_t nameLength = length >= 33 ? record[32] : 0;
        if (length < 34 || at + length > bytes.size() || at % kBlock + length > kBlock ||
            33 + nameLength > length || nameLength == 0) {
            throw Damaged("a damaged directory record in /" + pending.path);
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
        entry.path = Below(pending.path, name);
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
        if (tree->entries.size() > kMostEntries) {
            throw Damaged("more than " + std::to_string(kMostEntries) + " files");
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
        if (pending.depth > kDeepest) {
            throw Damaged("directories nested deeper than " + std::to_string(kDeepest) + " levels");
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
    while (!follow.empty() && tree.entries.size() <= kMostEntries) {
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
            entry.path = Below(directory, name);
            entry.directory = stat->type == iso9660_stat_s::_STAT_DIR;
            entry.size = stat->size;
            entry.block = static_cast<std::uint32_t>(stat->lsn);
            entry.depth = depth + 1;
            if (entry.directory && stat->size <= kLargestDirectory && depth < kDeepest &&
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

// libudf follows the offsets and lengths an image's UDF descriptors give without holding them to
// its buffers: where a file entry's allocation descriptors lie, how long a directory's identifiers
// and names are. What it will follow is checked here first, on the same blocks and as libudf walks
// them, so that a hostile image is a damaged one rather than a read past a buffer.

// A descriptor tag as libudf accepts it: its identifier, and a checksum over bytes 0 to 14.
bool UdfTagIs(const std::uint8_t *tag, std::uint16_t id) {
    std::uint8_t sum = 0;
    for (int at = 0; at < 15; ++at) {
        sum = static_cast<std::uint8_t>(sum + (at == 4 ? 0 : tag[at]));
    }
    return (tag[0] | tag[1] << 8) == id && sum == tag[4];
}

// The extended attributes and the allocation descriptors, with room for the one udf_get_lba reads,
// lie inside the entry's block.
bool AllocationInBlock(const udf_file_entry_t &entry) {
    const std::uint64_t end = std::uint64_t{uint32_from_le(entry.i_extended_attr)} +
                              uint32_from_le(entry.i_alloc_descs) + sizeof(udf_ext_ad_t);
    return end <= sizeof(entry.u);
}

udf_file_entry_t ReadUdfEntry(const ImageHandles &handles, std::uint32_t block) {
    udf_file_entry_t entry;
    if (!ReadBlocks(handles, block, 1, reinterpret_cast<std::uint8_t *>(&entry))) {
        throw Damaged("the image ends before a UDF file entry");
    }
    return entry;
}

// The root's file entry, found as udf_get_root finds it the first time: the partition and the
// logical volume from the main descriptor sequence the anchor names, the file set, its root.
void CheckUdfRoot(const ImageHandles &handles) {
    anchor_vol_desc_ptr_t anchor;
    std::uint8_t block[kBlock];
    if (!ReadBlocks(handles, 256, 1, block) || !UdfTagIs(block, TAGID_ANCHOR)) {
        return;
    }
    std::memcpy(&anchor, block, sizeof(anchor));
    const std::uint32_t first = uint32_from_le(anchor.main_vol_desc_seq_ext.loc);
    const std::uint32_t last =
        first + (uint32_from_le(anchor.main_vol_desc_seq_ext.len) - 1) / kBlock;
    std::uint32_t partitionStart = 0;
    std::uint32_t volumeAt = 0;
    std::uint32_t fileSet = 0;
    for (std::uint32_t at = first; at < last; ++at) {
        if (!ReadBlocks(handles, at, 1, block)) {
            return;
        }
        if (UdfTagIs(block, TAGID_PARTITION)) {
            partitionStart = uint32_from_le(reinterpret_cast<partition_desc_t *>(block)->start_loc);
            if (volumeAt != 0) {
                break;
            }
        } else if (UdfTagIs(block, TAGID_LOGVOL)) {
            const auto *volume = reinterpret_cast<logical_vol_desc_t *>(block);
            if (uint32_from_le(volume->logical_blocksize) == kBlock) {
                volumeAt = at;
                fileSet = uint32_from_le(volume->lvd_use.fsd_loc.loc.lba);
                if (partitionStart != 0) {
                    break;
                }
            }
        }
    }
    if (volumeAt == 0 || partitionStart == 0 ||
        !ReadBlocks(handles, partitionStart + fileSet, 1, block) || !UdfTagIs(block, TAGID_FSD)) {
        return;
    }
    const std::uint32_t root =
        uint32_from_le(reinterpret_cast<udf_fsd_t *>(block)->root_icb.loc.lba);
    const udf_file_entry_t entry = ReadUdfEntry(handles, partitionStart + root);
    if (UdfTagIs(reinterpret_cast<const std::uint8_t *>(&entry.tag), TAGID_FILE_ENTRY) &&
        !AllocationInBlock(entry)) {
        throw Damaged("a UDF root whose allocation lies outside its file entry");
    }
}

// The identifiers udf_readdir will walk in a directory it has just opened: each whole inside the
// directory's blocks, each name one that libudf decodes to a string.
void CheckUdfDirectory(const ImageHandles &handles, const udf_dirent_t &directory,
                       std::uint64_t *directoryBytes) {
    const std::uint32_t blocks = directory.i_loc_end - directory.i_loc + 1;
    if (directory.dir_left == 0 || blocks == 0) {
        return;
    }
    if (blocks > kLargestDirectory / kBlock) {
        throw Damaged("a UDF directory of more than " + std::to_string(kLargestDirectory) +
                      " bytes");
    }
    *directoryBytes += static_cast<std::uint64_t>(blocks) * kBlock;
    if (*directoryBytes > kMostUdfDirectoryBytes) {
        throw Damaged("UDF directories of more than " + std::to_string(kMostUdfDirectoryBytes) +
                      " bytes in all");
    }
    std::vector<std::uint8_t> bytes(static_cast<size_t>(blocks) * kBlock);
    if (!ReadBlocks(handles, directory.i_part_start + directory.i_loc, blocks, bytes.data())) {
        throw Damaged("the image ends before a UDF directory");
    }
    const size_t head = sizeof(udf_fileid_desc_t);
    size_t at = 0;
    for (std::uint64_t left = directory.dir_left; left > 0;) {
        if (at + head > bytes.size()) {
            throw Damaged("a UDF directory whose identifiers run past its blocks");
        }
        if (!UdfTagIs(bytes.data() + at, TAGID_FID)) {
            return;
        }
        udf_fileid_desc_t id;
        std::memcpy(&id, bytes.data() + at, head);
        const size_t name = at + head + uint16_from_le(id.u.i_imp_use);
        const size_t nameLength = id.i_file_id;
        // An empty name is decoded from its first byte all the same, as an unended string when
        // that byte says 8 or 16.
        if (name + std::max<size_t>(nameLength, 1) > bytes.size() ||
            (nameLength == 0 && (bytes[name] == 8 || bytes[name] == 16))) {
            throw Damaged("a UDF file identifier that runs past its directory");
        }
        const size_t step = 4 * ((name - at + nameLength + 3) / 4);
        left -= step;
        at += step;
    }
}

// Where a file's bytes are, from its short or long allocation descriptors, as far as its length;
// a file recorded otherwise keeps fewer bytes in its extents than its length, and reads as cut.
void ReadUdfExtents(const udf_dirent_t &file, ImageEntry *entry) {
    const udf_file_entry_t &fe = file.fe;
    const std::uint16_t form = uint16_from_le(fe.icb_tag.flags) & ICBTAG_FLAG_AD_MASK;
    const size_t step = form == ICBTAG_FLAG_AD_SHORT  ? sizeof(udf_short_ad_t)
                        : form == ICBTAG_FLAG_AD_LONG ? sizeof(udf_long_ad_t)
                                                      : 0;
    const size_t first = uint32_from_le(fe.i_extended_attr);
    const size_t end = first + uint32_from_le(fe.i_alloc_descs);
    std::uint64_t covered = 0;
    for (size_t at = first; step != 0 && at + step <= end && covered < entry->size; at += step) {
        // Both forms start with the length, whose top two bits say whether it is recorded, then
        // the block within the partition.
        const std::uint32_t length = Le32(fe.u.ext_attr + at);
        const std::uint32_t bytes = length & 0x3FFFFFFF;
        if (bytes == 0 || length >> 30 != 0) {
            break;
        }
        const std::uint32_t block = file.i_part_start + Le32(fe.u.ext_attr + at + 4);
        const std::uint64_t take = std::min<std::uint64_t>(bytes, entry->size - covered);
        entry->extents.emplace_back(block, static_cast<std::uint32_t>(take));
        covered += take;
    }
    if (!entry->extents.empty()) {
        entry->block = entry->extents.front().first;
    }
}

// A directory libudf walks: udf_readdir steps on, and frees the entry when it ends; what is still
// held when the walk stops early is freed here.
class UdfDirectory {
  public:
    explicit UdfDirectory(udf_dirent_t *entry) : entry_(entry) {}
    ~UdfDirectory() {
        if (entry_ != nullptr) {
            udf_dirent_free(entry_);
        }
    }
    UdfDirectory(const UdfDirectory &) = delete;
    UdfDirectory &operator=(const UdfDirectory &) = delete;
    const udf_dirent_t &Entry() const {
        return *entry_;
    }
    // The next of its files; false at the end.
    bool Next() {
        entry_ = udf_readdir(entry_);
        return entry_ != nullptr;
    }
    // The directory Entry() is, opened: nullptr where it cannot be.
    udf_dirent_t *Open() const {
        return udf_opendir(entry_);
    }

  private:
    udf_dirent_t *entry_;
};

void ReadUdfDirectory(const ImageHandles &handles, std::uint64_t *directoryBytes,
                      udf_dirent_t *opened, const std::string &path, int depth, ImageTree *tree) {
    UdfDirectory directory(opened);
    if (depth > kDeepest) {
        throw Damaged("UDF directories nested deeper than " + std::to_string(kDeepest) + " levels");
    }
    CheckUdfDirectory(handles, directory.Entry(), directoryBytes);
    while (directory.Next()) {
        const char *name = udf_get_filename(&directory.Entry());
        if (name == nullptr || name[0] == '\0' || tree->entries.size() > kMostEntries) {
            continue;
        }
        if (!AllocationInBlock(directory.Entry().fe)) {
            throw Damaged("a UDF file entry whose allocation lies outside it");
        }
        ImageEntry entry;
        entry.path = Below(path, name);
        entry.directory = udf_is_dir(&directory.Entry());
        entry.size = udf_get_file_length(&directory.Entry());
        entry.depth = depth + 1;
        ReadUdfExtents(directory.Entry(), &entry);
        tree->entries.push_back(entry);
        udf_dirent_t *child = entry.directory ? directory.Open() : nullptr;
        if (child != nullptr) {
            ReadUdfDirectory(handles, directoryBytes, child, entry.path, depth + 1, tree);
        }
    }
    if (tree->entries.size() > kMostEntries) {
        throw Damaged("more than " + std::to_string(kMostEntries) + " files");
    }
}

std::optional<ImageTree> ReadUdfTree(ImageHandles *handles, const std::string &path) {
    handles->udf = udf_open(path.c_str());
    if (handles->udf == nullptr) {
        return std::nullopt;
    }
    CheckUdfRoot(*handles);
    udf_dirent_t *root = udf_get_root(handles->udf, true, 0);
    if (root == nullptr) {
        return std::nullopt;
    }
    ImageTree tree;
    tree.system = FileSystem::Udf;
    std::uint64_t directoryBytes = 0;
    ReadUdfDirectory(*handles, &directoryBytes, root, "", 0, &tree);
    return tree;
}

bool StreamImage(const ImageHandles &handles, const ImageEntry &entry, std::ofstream &out) {
    std::vector<std::uint8_t> piece(static_cast<size_t>(kPieceBlocks) * kBlock);
    for (const auto &[block, bytes] : entry.extents) {
        for (std::uint64_t done = 0; done < bytes;) {
            const std::uint64_t left = bytes - done;
            const std::uint32_t blocks = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(kPieceBlocks, (left + kBlock - 1) / kBlock));
            if (!ReadBlocks(handles, block + static_cast<std::uint32_t>(done / kBlock), blocks,
                            piece.data())) {
                return false;
            }
            const std::uint64_t take =
                std::min<std::uint64_t>(left, static_cast<std::uint64_t>(blocks) * kBlock);
            out.write(reinterpret_cast<const char *>(piece.data()),
                      static_cast<std::streamsize>(take));
            done += take;
        }
    }
    return true;
}

} // namespace

bool IsDiscImage(const std::string &path) {
    ImageHandles handles;
    handles.file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return handles.file >= 0 && ReadDescriptors(handles).recognised;
}

ImageOpening ReadDiscImage(const std::string &path, ImageReading *reading, std::string *error) {
    // libcdio tells standard error of what it cannot read; the check says so in its own words.
    cdio_loglevel_default = CDIO_LOG_ERROR;
    auto handles = std::make_shared<ImageHandles>();
    handles->file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handles->file < 0) {
        *error = path + ": " + std::strerror(errno);
        return ImageOpening::Unreadable;
    }
    const Descriptors descriptors = ReadDescriptors(*handles);
    if (!descriptors.recognised) {
        return ImageOpening::NotAnImage;
    }
    reading->handles = handles;
    try {
        std::optional<ImageTree> udf =
            descriptors.udf ? ReadUdfTree(handles.get(), path) : std::nullopt;
        if (descriptors.udf && !udf) {
            *error = path + ": a UDF volume this check cannot read";
            return ImageOpening::Unreadable;
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
    } catch (const Damaged &damage) {
        *error = path + ": " + damage.what();
        return ImageOpening::Unreadable;
    }
    return ImageOpening::Image;
}

bool ExtractImageFile(const ImageReading &reading, const ImageEntry &entry,
                      const std::string &target) {
    const std::uint64_t recorded =
        std::accumulate(entry.extents.begin(), entry.extents.end(), std::uint64_t{0},
                        [](std::uint64_t sum, const auto &extent) { return sum + extent.second; });
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    return recorded == entry.size && StreamImage(*reading.handles, entry, out) && out.good();
}
