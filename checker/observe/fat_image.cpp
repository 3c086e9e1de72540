// An image of a USB stick or a memory card, a FAT or exFAT volume or a disk whose first partition
// holds one: the check does not read it, and says what to check instead. The same on both builds:
// it looks only at the image's first sectors.
#include "medium_kinds.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

constexpr std::size_t kSector = 512;
// Where a disc image's first volume descriptor lies: block 16 of 2048 bytes.
constexpr std::uint64_t kVolumeDescriptorAt = std::uint64_t{16} * 2048;
using Sector = std::array<unsigned char, kSector>;

bool ReadSector(std::ifstream &in, std::uint64_t at, Sector *sector) {
    in.seekg(static_cast<std::streamoff>(at));
    return static_cast<bool>(in.read(reinterpret_cast<char *>(sector->data()), kSector));
}

bool Holds(const Sector &sector, std::size_t at, const char *text) {
    return std::memcmp(sector.data() + at, text, std::strlen(text)) == 0;
}

bool EndsAsBootSector(const Sector &sector) {
    return sector[510] == 0x55 && sector[511] == 0xAA;
}

// A volume's boot sector: exFAT's name, or a FAT file system type in the BIOS parameter block
// of FAT12 and FAT16 (at 54) or of FAT32 (at 82).
bool IsFatBootSector(const Sector &sector) {
    return EndsAsBootSector(sector) &&
           (Holds(sector, 3, "EXFAT   ") || Holds(sector, 54, "FAT12   ") ||
            Holds(sector, 54, "FAT16   ") || Holds(sector, 54, "FAT     ") ||
            Holds(sector, 82, "FAT32   "));
}

// A master boot record whose first partition is of a FAT or exFAT type, as a stick is formatted.
bool FirstPartitionStart(const Sector &sector, std::uint64_t *start) {
    static const unsigned char kFatTypes[] = {0x01, 0x04, 0x06, 0x07, 0x0B, 0x0C, 0x0E};
    const unsigned char type = sector[446 + 4];
    if (!EndsAsBootSector(sector) || std::memchr(kFatTypes, type, sizeof kFatTypes) == nullptr) {
        return false;
    }
    std::uint32_t lba = 0;
    for (int i = 3; i >= 0; --i) {
        lba = (lba << 8) | sector[446 + 8 + i];
    }
    *start = static_cast<std::uint64_t>(lba) * kSector;
    return lba != 0;
}

// Where the image's FAT volume starts: at 0, or at its first partition.
bool FindFatVolume(const std::string &path, std::uint64_t *start) {
    std::ifstream in(path, std::ios::binary);
    Sector first{};
    Sector other{};
    if (!ReadSector(in, 0, &first)) {
        return false;
    }
    // A hybrid disc image starts with a boot record too: its ISO 9660 volume descriptor decides.
    if (ReadSector(in, kVolumeDescriptorAt, &other) && Holds(other, 1, "CD001")) {
        return false;
    }
    in.clear();
    *start = 0;
    return IsFatBootSector(first) || (FirstPartitionStart(first, start) &&
                                      ReadSector(in, *start, &other) && IsFatBootSector(other));
}

} // namespace

bool TakesFatImage(const std::string &path) {
    std::uint64_t start = 0;
    return FindFatVolume(path, &start);
}

std::unique_ptr<Medium> OpenFatImage(const std::string &path, std::string *error) {
    std::uint64_t start = 0;
    FindFatVolume(path, &start);
    // mtools names a volume inside a disk image by its offset.
    const std::string volume = start == 0 ? path : path + "@@" + std::to_string(start);
    *error = path +
             ": an image of a USB stick or memory card (FAT or exFAT), which the check does not "
             "read: check the stick where it is mounted (medium-check /media/STICK, or "
             "medium-check.exe F:\\ on Windows), or a directory holding its files (mcopy -s -i " +
             volume + " ::/ DIR)";
    return nullptr;
}
