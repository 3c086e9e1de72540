// MC7xx: what only a medium that names its files otherwise does, such as a disc image: the names
// Windows reads of it, against the medium's others.
#include "groups.h"

#include "../model/ascii.h"

#include <algorithm>

namespace {

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
    const std::string wanted =
        AsImageName(DescriptorValue(observation.descriptor, kRuntimePackageKey));
    const std::vector<RenamedFile> &renamed = observation.naming->renamed;
    auto found = std::find_if(renamed.begin(), renamed.end(), [&](const RenamedFile &file) {
        return AsciiLower(file.path) == wanted;
    });
    return found == renamed.end() ? nullptr : &*found;
}

} // namespace

void CheckImage(const Observation &observation, const Prediction &prediction, Findings *out) {
    if (!observation.naming) {
        return;
    }
    const MediumNaming &naming = *observation.naming;
    if (!naming.read) {
        Add<RuleId::ImageWithoutFileSystem>(out, OnMedium(observation.mediumShown));
        return;
    }
    const FileSystem read = *naming.read;
    const FileSystem others = naming.others.value_or(read);
    const RenamedFile *package = PackageRenamed(observation, prediction);
    if (package != nullptr) {
        Add<RuleId::ImageNameDiffers>(out,
                                      OnDescriptorKey(observation.descriptor, kRuntimePackageKey),
                                      std::string(kDescriptorKeys[kRuntimePackageKey]),
                                      DescriptorValue(observation.descriptor, kRuntimePackageKey),
                                      others, read, package->windowsPath);
    }
    for (const RenamedFile &file : naming.renamed) {
        if (&file != package) {
            Add<RuleId::ImageFileRenamed>(out, OnFile(file.windowsPath, file.windowsPath),
                                          file.path, others, file.windowsPath, read);
        }
    }
    for (const std::string &file : naming.leftOut) {
        Add<RuleId::ImageFileLeftOut>(out, OnFile(file, file), file, others, read);
    }
    for (const MovedDirectory &moved : naming.moved) {
        // ISO 9660 counts the root as level 1.
        Add<RuleId::ImageDirectoryMoved>(out, OnFile(moved.path, moved.path), moved.path,
                                         moved.depth + 1, moved.movedTo);
    }
}
