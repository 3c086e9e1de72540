// MC4xx: RuntimePackage, where it runs from, and what opens it.
#include "groups.h"

#include <paths.h>

#include <algorithm>
#include <vector>

namespace {

// Code pages as a message lists them: "1250, 1251 and 932".
std::string CodePageList(const std::vector<unsigned int> &codePages) {
    std::string list;
    for (size_t i = 0; i < codePages.size(); ++i) {
        list += (i == 0                      ? ""
                 : i + 1 == codePages.size() ? " and "
                                             : ", ") +
                std::to_string(codePages[i]);
    }
    return list;
}

// Where the name the machine reads names the package, the code pages that read it otherwise;
// where it names nothing, those where it names a file.
void CheckCodePages(const Observation &observation, const Subject &key, Findings *out) {
    const std::vector<NameReading> &readings = observation.packageNames;
    const unsigned int here = observation.machine.codePage;
    const auto own =
        std::find_if(readings.begin(), readings.end(),
                     [&](const NameReading &reading) { return reading.codePage == here; });
    if (own == readings.end()) {
        return;
    }
    std::vector<unsigned int> otherwise;
    const NameReading *named = nullptr;
    for (const NameReading &reading : readings) {
        if (own->kind == FileKind::File ? !reading.asHere : reading.kind == FileKind::File) {
            otherwise.push_back(reading.codePage);
            named = named != nullptr ? named : &reading;
        }
    }
    if (otherwise.empty()) {
        return;
    }
    if (own->kind == FileKind::File) {
        Add<RuleId::PackageNameReadsOtherwise>(out, key, own->name, here, CodePageList(otherwise));
    } else {
        Add<RuleId::PackageNameElsewhere>(out, key, here, CodePageList(otherwise), named->name);
    }
}

std::string LastName(const std::string &name) {
    const size_t slash = name.find_last_of("\\/");
    return name.substr(slash == std::string::npos ? 0 : slash + 1);
}

} // namespace

void CheckPackage(const Observation &observation, const Prediction &prediction, Findings *out) {
    const PackageLaunch &launch = *prediction.launch;
    const std::string name = DescriptorValue(observation.descriptor, kRuntimePackageKey);
    const Subject key = OnDescriptorKey(observation.descriptor, kRuntimePackageKey);
    if (launch.cause == LaunchCause::SourceTooLong) {
        Add<RuleId::PackagePathTooLong>(out, key, kPathCapacity - 1);
        return;
    }
    if (launch.package == FileKind::Missing) {
        Add<RuleId::PackageMissing>(out, OnPackageFile(observation, launch.path), launch.path);
    }
    CheckCodePages(observation, key, out);
    if (!IsNameBelowDirectory(name.c_str())) {
        Add<RuleId::PackageLeavesDirectory>(out, key, name);
    } else if (name.find_first_of("\\/") != std::string::npos) {
        Add<RuleId::PackageInSubDirectory>(out, key, name);
    }
    // No reader of the name's type: the shell needs a program associated with it.
    if (observation.packageFormat == kNoFormat) {
        Add<RuleId::PackageNeedsAssociation>(out, key, LastName(name));
    }
}
