// The kinds of medium the check reads, in the order they are asked whether they take a path.
#include "medium.h"
#include "medium_kinds.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cstring>
#include <sys/stat.h>

namespace {

const MediumKind kKinds[] = {
    {"a directory", TakesDirectory, OpenDirectory},
    {"an image of a USB stick (FAT or exFAT)", TakesFatImage, OpenFatImage},
    {"a disc image (ISO 9660 or UDF)", TakesDiscImage, OpenDiscImage},
};

} // namespace

std::unique_ptr<Medium> OpenMedium(const std::string &path, std::string *error) {
    const MediumKind *taker =
        std::find_if(std::begin(kKinds), std::end(kKinds),
                     [&](const MediumKind &each) { return each.takes(path); });
    if (taker != std::end(kKinds)) {
        return taker->open(path, error);
    }
    struct stat there {};
    if (stat(path.c_str(), &there) != 0) {
        *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    *error = path + ": neither";
    for (const MediumKind &kind : kKinds) {
        *error += std::string(&kind == kKinds ? " " : " nor ") + kind.name;
    }
    return nullptr;
}
