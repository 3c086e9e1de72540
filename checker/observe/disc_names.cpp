// Windows' names against the image's others. A file is the same file in both where its data start
// at the same block (the trees of one image share its files' data); an empty file has no data of
// its own and is not compared. A UDF file whose data lie in its file entry starts at no block,
// and no ISO 9660 record can point into an entry: the other names' file of the same name is that
// file, copied.
#include "disc_image.h"

#include "../model/ascii.h"

#include <map>
#include <set>
#include <string>

namespace {

bool Below(const std::string &path, const std::string &directory) {
    return path.size() > directory.size() && path.compare(0, directory.size(), directory) == 0 &&
           path[directory.size()] == '/';
}

} // namespace

MediumNaming CompareImageNames(const ImageReading &reading) {
    MediumNaming image;
    image.present = reading.present;
    if (!reading.windows) {
        return image;
    }
    const ImageTree &windows = *reading.windows;
    image.read = windows.system;
    // A moved directory's files lie where it moved to in every tree of ISO 9660 records, Rock
    // Ridge's as libcdio lists them too; Windows shows the move where it reads those records.
    std::set<std::uint32_t> movedBlocks;
    if (reading.iso9660) {
        const std::vector<ImageEntry> &records = reading.iso9660->entries;
        for (const ImageEntry &placeholder : records) {
            for (const ImageEntry &entry :
                 placeholder.placeholder ? records : std::vector<ImageEntry>()) {
                if (!entry.directory || !entry.relocated || entry.block != placeholder.block) {
                    continue;
                }
                if (windows.system == FileSystem::Iso9660) {
                    image.moved.push_back(
                        MovedDirectory{placeholder.path, entry.path, placeholder.depth});
                }
                for (const ImageEntry &below : records) {
                    if (Below(below.path, entry.path)) {
                        movedBlocks.insert(below.block);
                    }
                }
            }
        }
    }
    std::map<std::uint32_t, const ImageEntry *> byBlock;
    std::set<std::string> blockless;
    for (const ImageEntry &entry : windows.entries) {
        if (!entry.directory && entry.size > 0 && entry.block != 0) {
            byBlock.emplace(entry.block, &entry);
        } else if (!entry.directory && entry.size > 0) {
            blockless.insert(AsciiLower(entry.path));
        }
    }
    if (!reading.others) {
        return image;
    }
    image.others = reading.others->system;
    for (const ImageEntry &entry : reading.others->entries) {
        if (entry.directory || entry.size == 0 || movedBlocks.count(entry.block) != 0) {
            continue;
        }
        const auto found = byBlock.find(entry.block);
        if (found == byBlock.end() && blockless.count(AsciiLower(entry.path)) != 0) {
            continue;
        }
        if (found == byBlock.end()) {
            image.leftOut.push_back(entry.path);
        } else if (AsciiLower(found->second->path) != AsciiLower(entry.path)) {
            image.renamed.push_back(RenamedFile{entry.path, found->second->path});
        }
    }
    return image;
}
