// MC4xx: RuntimePackage, where it runs from, and what opens it.
#include "groups.h"

#include <paths.h>

namespace {

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
        Add<RuleId::PackageMissing>(out, OnFile(name, launch.path), launch.path);
    }
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
