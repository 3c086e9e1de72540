// MC4xx: RuntimePackage, where it runs from, and what opens it.
#include "groups.h"

#include <paths.h>

namespace {

const int kPackageKey = 0;

} // namespace

void CheckPackage(const Observation &observation, const Prediction &prediction, Findings *out) {
    const Placement &placement = *prediction.placement;
    const std::string name = observation.descriptor.values.RuntimePackage;
    if (placement.cause == PlaceCause::SourceTooLong) {
        Add(out, "MC405", OnDescriptorKey(observation.descriptor, kPackageKey));
        return;
    }
    if (placement.package == FileKind::Missing) {
        Add(out, "MC401", OnFile(name, placement.path), {placement.path});
    }
    if (!IsNameBelowDirectory(name.c_str())) {
        Add(out, "MC403", OnDescriptorKey(observation.descriptor, kPackageKey), {name});
    } else if (name.find_first_of("\\/") != std::string::npos) {
        Add(out, "MC402", OnDescriptorKey(observation.descriptor, kPackageKey), {name});
    }
    size_t slash = name.find_last_of("\\/");
    std::string last = name.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = last.rfind('.');
    std::string extension = dot == std::string::npos ? "" : Lower(last.substr(dot));
    if (extension != ".exe" && extension != ".msi") {
        Add(out, "MC404", OnDescriptorKey(observation.descriptor, kPackageKey), {last});
    }
}
