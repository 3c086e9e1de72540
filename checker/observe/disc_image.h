// A disc image read on the build machine as Windows mounts it: UDF where the image carries it,
// through libudfread (udf_tree.h); else the Joliet or ISO 9660 directory records, read with
// libcdio's ISO 9660 layer and named as Windows' CD file system names them; Rock Ridge's names
// only to compare. Nothing is read whole: trees hold names and places, and a file is streamed
// out when a reader needs it.
#pragma once

#include "image_tree.h"

#include "../model/observation.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

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
// ends before the file does, or the file's bytes are not all recorded in the image.
bool ExtractImageFile(const ImageReading &reading, const ImageEntry &entry,
                      const std::string &target);

// What Windows' names lose against the image's others.
MediumNaming CompareImageNames(const ImageReading &reading);
