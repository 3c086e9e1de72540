// A file system's tree of a disc image, as the image's readers give it (disc_image.cpp for the
// ISO 9660 records, udf_tree.cpp for UDF), and the bounds both hold a hostile image to.
#pragma once

#include "../model/medium_naming.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The image's blocks, as every file system of a disc lays them out.
inline constexpr std::uint32_t kImageBlock = 2048;
// Bounds that keep a hostile image from holding the check: a real medium is far inside them.
inline constexpr int kDeepestDirectory = 64;
inline constexpr std::size_t kMostImageEntries = 100000;
inline constexpr std::uint32_t kLargestDirectory = 16 * 1024 * 1024;

// A file or directory as one file system names it.
struct ImageEntry {
    std::string path; // '/' between names
    bool directory = false;
    std::uint64_t size = 0;
    // Where its data start, in the image's blocks; 0 where they start at no block of their own (a
    // UDF file whose data lie in its file entry, or that records none).
    std::uint32_t block = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> extents; // block, bytes (ISO 9660 only)
    bool relocated = false;   // a directory the writer moved below its root (Rock Ridge's RE)
    bool placeholder = false; // the empty file left at a moved directory's place (its CL)
    int depth = 0;            // levels below the root
};

struct ImageTree {
    FileSystem system = FileSystem::Iso9660;
    std::vector<ImageEntry> entries;
};

// Why an image cannot be read, as the error the command ends with.
struct ImageDamaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A name below a directory of the image; the root is the empty path.
inline std::string PathBelow(const std::string &directory, const std::string &name) {
    return directory.empty() ? name : directory + '/' + name;
}
