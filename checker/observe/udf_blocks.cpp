// Each check mirrors what libudfread does next with the block it is handed: a descriptor's tag as
// it accepts one, the lengths it allocates, the identifiers it walks and the ones it lists.
#include "udf_blocks.h"

#include "image_tree.h"

#include <unistd.h>

#include <algorithm>
#include <limits>

namespace {

const int kLogicalVolumeTag = 6;
const int kFileSetTag = 256;
const int kFileIdentifierTag = 257;
const int kAllocationExtentTag = 258;
const int kFileEntryTag = 261;
const int kExtendedFileEntryTag = 266;

const std::uint8_t kDirectoryType = 4;
const std::uint8_t kMetadataType = 250;
const std::uint8_t kMetadataMirrorType = 251;
const int kEmbedded = 3; // the allocation form of data that lie in the file entry itself

const std::uint8_t kDirectoryFlag = 0x02;
const std::uint8_t kDeletedFlag = 0x04;
const std::uint8_t kParentFlag = 0x08;

const std::uint32_t kNextExtent = 3; // an extent holding the next allocation descriptors
const std::uint32_t kLengthMask = 0x3FFFFFFF;
const std::size_t kTag = 16;
const std::size_t kIdentifierHead = 38;
// A file's entries, as the identifiers naming it give their length: one block, or a few where
// the writer leaves room for later ones (strategy 4096, which libudfread does not read).
const std::uint32_t kLongestEntry = 64 * kImageBlock;
const std::uint16_t kStrategy = 4;
// Partitions of a kind libudfread passes over, as a logical volume's maps name them.
const struct {
    const char *identifier;
    const char *what;
} kOtherPartitions[] = {
    {"*UDF Virtual Partition", "a virtual allocation table, for write-once media,"},
    {"*UDF Sparable Partition", "sparing tables, for rewritable media,"}};

std::uint16_t Le16(const std::uint8_t *at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint32_t Le32(const std::uint8_t *at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// A descriptor's identifier as libudfread takes it: the checksum of the tag's other bytes right,
// nothing else; -1 where it is not.
int TagOf(const std::uint8_t *tag) {
    std::uint8_t sum = 0;
    for (std::size_t at = 0; at < kTag; ++at) {
        sum = static_cast<std::uint8_t>(sum + (at == 4 ? 0 : tag[at]));
    }
    return sum == tag[4] ? Le16(tag) : -1;
}

// The size of one allocation descriptor of a form: short, long, extended.
std::size_t DescriptorSize(int form) {
    const std::size_t sizes[] = {8, 16, 20};
    return sizes[form];
}

// Whether libudfread lists an identifier whose name is these bytes: its names are compressed
// in 8 or 16 bits after one byte that says which, and one that decodes to nothing is left out.
bool Listed(const std::uint8_t *name, std::size_t length) {
    return (length >= 2 && name[0] == 8) || (length >= 3 && name[0] == 16);
}

} // namespace

UdfBlocks::UdfBlocks(int file, std::uint64_t bytes)
    : callbacks_{{nullptr, ReadCallback, SizeCallback}, this}, file_(file),
      blocks_(static_cast<std::uint32_t>(std::min<std::uint64_t>(
          bytes / kImageBlock, std::numeric_limits<std::uint32_t>::max()))) {}

void UdfBlocks::Begin(const std::string &what, std::uint32_t allowance, bool structure) {
    what_ = what;
    allowed_ = allowance;
    allowance_ = allowance;
    structure_ = structure;
    damage_.clear();
    directoryLength_ = 0;
    std::vector<std::uint8_t>().swap(directory_);
    identifiers_.reset();
}

std::optional<std::vector<UdfIdentifier>> UdfBlocks::TakeDirectory() {
    std::optional<std::vector<UdfIdentifier>> taken;
    taken.swap(identifiers_);
    return taken;
}

int UdfBlocks::ReadCallback(udfread_block_input *input, std::uint32_t block, void *into,
                            std::uint32_t count, int /*flags*/) {
    // input is the first member of the callbacks, which name their owner.
    return reinterpret_cast<Callbacks *>(input)->blocks->Read(
        block, static_cast<std::uint8_t *>(into), count);
}

std::uint32_t UdfBlocks::SizeCallback(udfread_block_input *input) {
    return reinterpret_cast<Callbacks *>(input)->blocks->blocks_;
}

int UdfBlocks::Read(std::uint32_t block, std::uint8_t *into, std::uint32_t count) {
    if (!damage_.empty()) {
        return -1;
    }
    if (count > allowance_) {
        if (structure_) {
            damage_ =
                "reading " + what_ + " takes more than " + std::to_string(allowed_) + " blocks";
        }
        return -1;
    }
    allowance_ -= count;
    const ssize_t read = pread(file_, into, static_cast<std::size_t>(count) * kImageBlock,
                               static_cast<off_t>(block) * kImageBlock);
    if (read < 0) {
        return -1;
    }
    const auto whole = static_cast<std::uint32_t>(static_cast<std::size_t>(read) / kImageBlock);
    for (std::uint32_t at = 0; structure_ && at < whole && damage_.empty(); ++at) {
        Check(into + static_cast<std::size_t>(at) * kImageBlock);
    }
    return damage_.empty() ? static_cast<int>(whole) : -1;
}

void UdfBlocks::Check(const std::uint8_t *block) {
    if (directoryLength_ > 0) {
        // The directory's blocks follow its entry; libudfread reads the first one from the
        // metadata mirror instead where its tag is wrong.
        if (directory_.empty() && TagOf(block) < 0) {
            return;
        }
        directory_.insert(directory_.end(), block, block + kImageBlock);
        if (directory_.size() >= directoryLength_) {
            CheckDirectory(directory_.data(), directoryLength_);
            directoryLength_ = 0;
            std::vector<std::uint8_t>().swap(directory_);
        }
        return;
    }
    switch (TagOf(block)) {
    case kLogicalVolumeTag:
        CheckLogicalVolume(block);
        break;
    case kFileSetTag:
        if ((Le32(block + 400) & kLengthMask) > kLongestEntry) {
            Fail("a UDF file set whose root entry is longer than " +
                 std::to_string(kLongestEntry / kImageBlock) + " blocks");
        }
        break;
    case kFileEntryTag:
        CheckFileEntry(block, 176);
        break;
    case kExtendedFileEntryTag:
        CheckFileEntry(block, 216);
        break;
    case kAllocationExtentTag:
        CheckAllocation(block + 24, std::min<std::size_t>(Le32(block + 20), kImageBlock - 24));
        break;
    default:
        break;
    }
}

// A logical volume whose partitions libudfread does not read: where the volume's structure lies
// in one of them, it finds none of it.
void UdfBlocks::CheckLogicalVolume(const std::uint8_t *block) {
    // The partition maps follow the descriptor's 440 bytes: a type and a length each, and in a
    // map of type 2 the identifier of its kind from its sixth byte.
    const std::size_t end = std::min<std::size_t>(440 + Le32(block + 264), kImageBlock);
    for (std::size_t at = 440; at + 2 <= end && block[at + 1] >= 2; at += block[at + 1]) {
        for (const auto &other : kOtherPartitions) {
            const std::string identifier = other.identifier;
            if (block[at] == 2 && at + 5 + identifier.size() <= end &&
                identifier.compare(0, identifier.size(),
                                   reinterpret_cast<const char *>(block + at + 5),
                                   identifier.size()) == 0) {
                Fail(std::string("a UDF volume with ") + other.what +
                     " which this check cannot read");
                return;
            }
        }
    }
}

// A file entry (header 176 bytes) or an extended one (216), whose extended attributes' and
// allocation descriptors' lengths follow the header's last eight bytes.
void UdfBlocks::CheckFileEntry(const std::uint8_t *block, std::size_t header) {
    const std::uint64_t attributes = Le32(block + header - 8);
    const std::uint64_t length = Le32(block + header - 4);
    if (header + attributes + length > kImageBlock) {
        Fail("a UDF file entry whose allocation lies outside it");
        return;
    }
    const std::uint16_t strategy = Le16(block + 16 + 4);
    if (strategy != kStrategy) {
        Fail("a UDF file entry recorded with strategy " + std::to_string(strategy) +
             ", which this check cannot read");
        return;
    }
    const std::uint8_t type = block[16 + 11];
    const int form = Le16(block + 16 + 18) & 7;
    const std::uint8_t *descriptors = block + header + attributes;
    if (form == kEmbedded) {
        if (type == kDirectoryType) {
            CheckDirectory(descriptors, length);
        }
        return;
    }
    if (form > kEmbedded) {
        return; // libudfread reads no such entry
    }
    form_ = form;
    CheckAllocation(descriptors, length);
    const std::size_t count = length / DescriptorSize(form);
    if (type != kDirectoryType && type != kMetadataType && type != kMetadataMirrorType) {
        return;
    }
    // libudfread reads such a file from its first extent on, as if it were all there.
    const std::uint32_t first = count > 0 ? Le32(descriptors) : 0;
    if (count > 1 || first >> 30 == kNextExtent) {
        Fail(type == kDirectoryType
                 ? "a UDF directory recorded in several pieces, which this check cannot read"
                 : "a UDF metadata file recorded in several pieces, which this check cannot read");
    } else if (type != kDirectoryType) {
        return;
    } else if (first >> 30 != 0) {
        Fail("a UDF directory whose bytes are not recorded");
    } else if ((first & kLengthMask) > kLargestDirectory) {
        Fail("a UDF directory of more than " + std::to_string(kLargestDirectory) + " bytes");
    } else {
        directoryLength_ = first & kLengthMask;
    }
}

// libudfread reads each extent of further descriptors whole before it looks at it.
void UdfBlocks::CheckAllocation(const std::uint8_t *descriptors, std::size_t length) {
    const std::size_t size = DescriptorSize(form_);
    for (std::size_t at = 0; at + size <= length; at += size) {
        const std::uint32_t word = Le32(descriptors + at);
        if (word >> 30 == kNextExtent && (word & kLengthMask) > kImageBlock) {
            Fail("a UDF allocation extent longer than a block");
            return;
        }
    }
}

// A directory's identifiers as libudfread walks them: it stops 16 bytes before the end, gives up
// on the directory at a descriptor of another kind, and drops the rest of it from an identifier
// that runs past it, which Windows does not read either.
void UdfBlocks::CheckDirectory(const std::uint8_t *bytes, std::size_t length) {
    std::vector<UdfIdentifier> listed;
    for (std::size_t at = 0; length > kTag && at < length - kTag;) {
        const std::uint8_t *identifier = bytes + at;
        if (TagOf(identifier) != kFileIdentifierTag) {
            Fail("a damaged UDF directory");
            return;
        }
        const std::size_t left = length - at;
        const std::size_t nameLength = left >= kIdentifierHead ? identifier[19] : 0;
        const std::size_t use = left >= kIdentifierHead ? Le16(identifier + 36) : 0;
        if (left < kIdentifierHead || kIdentifierHead + use + nameLength > left) {
            Fail("a UDF file identifier that runs past its directory");
            return;
        }
        const std::uint8_t flags = identifier[18];
        if ((flags & kParentFlag) == 0 && Listed(identifier + kIdentifierHead + use, nameLength)) {
            if ((Le32(identifier + 20) & kLengthMask) > kLongestEntry) {
                Fail("a UDF file identifier whose file entry is longer than " +
                     std::to_string(kLongestEntry / kImageBlock) + " blocks");
                return;
            }
            listed.push_back(
                UdfIdentifier{(flags & kDeletedFlag) != 0, (flags & kDirectoryFlag) != 0});
            if (listed.size() > kMostImageEntries) {
                Fail("more than " + std::to_string(kMostImageEntries) + " files");
                return;
            }
        }
        at += 4 * ((kIdentifierHead + use + nameLength + 3) / 4);
    }
    identifiers_ = std::move(listed);
}

void UdfBlocks::Fail(const std::string &why) {
    if (damage_.empty()) {
        damage_ = why + " (" + what_ + ")";
    }
}
