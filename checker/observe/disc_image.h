// A disc image read on the build machine as Windows mounts it: UDF where the image carries it, its
// tree through libudf and its files by their allocation descriptors; else the Joliet or ISO 9660
// directory records, read with libcdio's ISO 9660 layer and named as Windows' CD file system
// names them; Rock Ridge's names only to compare. Nothing is read whole: trees hold names and
// places, and a file is streamed out when a reader needs it.
#pragma once

#include "../model/observation.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A file or directory as one file system names it.
struct ImageEntry {
    std::string path; // '/' between names
    bool directory = false;
    std::uint64_t size = 0;
    std::uint32_t block = 0; // where its data start, in the image's 2048-byte blocks
    std::vector<std::pair<std::uint32_t, std::uint32_t>> extents; // block, bytes
    bool relocated = false;   // a directory the writer moved below its root (Rock Ridge's RE)
    bool placeholder = false; // the empty file left at a moved directory's place (its CL)
    int depth = 0;            // levels below the root
};

struct ImageTree {
    FileSystem system = FileSystem::Iso9660;
    std::vector<ImageEntry> entries;
};

struct ImageHandles;

struct ImageReading {
    std::shared_ptr<ImageHandles> handles;
    std::vector<FileSystem> present;
    std::optional<ImageTree> windows; // the tree Windows reads; none when it reads none
    std::optional<ImageTree> others;  // Rock Ridge's names, else Joliet's, to compare with it
    std::optional<ImageTree> iso9660; // the ISO 9660 records, where directories were moved
};

enum class ImageOpening {
    Image,      // read: reading holds its trees
    NotAnImage, // no ISO 9660 volume descriptor and no UDF recognition sequence
    Unreadable  // an image this check cannot read; error says why
};

// Whether a file starts as a disc image: an ISO 9660 volume descriptor or a UDF recognition
// sequence from block 16.
bool IsDiscImage(const std::string &path);

ImageOpening ReadDiscImage(const std::string &path, ImageReading *reading, std::string *error);

// Copies a file of the tree Windows reads to target, a piece at a time; false when the image
// ends before the file does, or the file's bytes are not all recorded in extents of the image.
bool ExtractImageFile(const ImageReading &reading, const ImageEntry &entry,
                      const std::string &target);

// What Windows' names lose against the image's others.
MediumNaming CompareImageNames(const ImageReading &reading);
