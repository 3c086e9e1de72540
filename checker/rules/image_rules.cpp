// MC7xx: what only a disc image does: the names Windows reads of it, against the image's others.
#include "groups.h"

#include "../model/ascii.h"

#include <algorithm>

namespace {

const int kPackageKey = 0;

int Index(DiscFileSystem system) {
    return static_cast<int>(system);
}

std::string AsImageName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    name.erase(0, name.find_first_not_of('/'));
    return AsciiLower(name);
}

// The package the loader does not find because Windows reads its name otherwise; nullptr when
// that is not why.
const RenamedFile *PackageRenamed(const Observation &observation, const Prediction &prediction) {
    if (!observation.descriptor.complete || !prediction.launch ||
        prediction.launch->package != FileKind::Missing) {
        return nullptr;
    }
    const std::string wanted = AsImageName(observation.descriptor.values.RuntimePackage);
    const std::vector<RenamedFile> &renamed = observation.image->renamed;
    auto found = std::find_if(renamed.begin(), renamed.end(), [&](const RenamedFile &file) {
        return AsciiLower(file.path) == wanted;
    });
    return found == renamed.end() ? nullptr : &*found;
}

} // namespace

void CheckImage(const Observation &observation, const Prediction &prediction, Findings *out) {
    if (!observation.image) {
        return;
    }
    const DiscImage &image = *observation.image;
    if (!image.read) {
        Add<RuleId::ImageWithoutFileSystem>(out, OnMedium(observation.mediumShown));
        return;
    }
    const int read = Index(*image.read);
    const int others = image.others ? Index(*image.others) : read;
    const RenamedFile *package = PackageRenamed(observation, prediction);
    if (package != nullptr) {
        Add<RuleId::ImageNameDiffers>(out, OnDescriptorKey(observation.descriptor, kPackageKey),
                                      std::string(kDescriptorKeys[kPackageKey]),
                                      std::string(observation.descriptor.values.RuntimePackage),
                                      others, read, package->windowsPath);
    }
    for (const RenamedFile &file : image.renamed) {
        if (&file != package) {
            Add<RuleId::ImageFileRenamed>(out, OnFile(file.windowsPath, file.windowsPath),
                                          file.path, others, file.windowsPath, read);
        }
    }
    for (const std::string &file : image.leftOut) {
        Add<RuleId::ImageFileLeftOut>(out, OnFile(file, file), file, others, read);
    }
    for (const MovedDirectory &moved : image.moved) {
        // ISO 9660 counts the root as level 1.
        Add<RuleId::ImageDirectoryMoved>(out, OnFile(moved.path, moved.path), moved.path,
                                         moved.depth + 1, moved.movedTo);
    }
}
