// A disc image's UDF volume read through libudfread, as Windows' UDF file system reads one:
// revisions 1.02 to 2.60, files whose data lie in their file entries, extended file entries and a
// metadata partition. Whatever libudfread will follow is checked first (udf_blocks.h), so that a
// hostile volume is a damaged one; its files are streamed through libudfread.
#pragma once

#include "image_tree.h"

#include <cstdint>
#include <memory>
#include <ostream>

class UdfVolume;
struct UdfVolumeClose {
    void operator()(UdfVolume *volume) const;
};
using UdfVolumeHandle = std::unique_ptr<UdfVolume, UdfVolumeClose>;

// The UDF volume of the image open at file (bytes long), its tree in tree; none where libudfread
// reads no volume there. Throws ImageDamaged where the volume is damaged.
UdfVolumeHandle ReadUdfVolume(int file, std::uint64_t bytes, ImageTree *tree);

// Copies a file of the volume's tree to out; false where it cannot be read whole, or claims more
// bytes than the image holds.
bool StreamUdfFile(UdfVolume &volume, const ImageEntry &entry, std::ostream &out);
