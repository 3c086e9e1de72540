// MC2xx: the medium's Version, as the loader's ordering takes it.
#include "groups.h"

#include <sstream>

namespace {

bool HasWideField(const VersionReading &version) {
    if (version.normalized.empty()) {
        return true; // a normalised version over 32 characters has fields of ten digits
    }
    std::istringstream fields(version.normalized);
    std::string field;
    while (std::getline(fields, field, '.')) {
        if (field.size() > 4) {
            return true;
        }
    }
    return false;
}

} // namespace

void CheckVersion(const Observation &observation, const Prediction &prediction, Findings *out) {
    const VersionReading &version = prediction.travelling;
    const Subject subject = OnDescriptorKey(observation.descriptor, kVersionKey);
    if (!version.isVersion) {
        Add<RuleId::NotAVersion>(out, subject, version.text);
        return;
    }
    if (HasWideField(version)) {
        Add<RuleId::WideVersionField>(out, subject, version.text);
    }
    if (version.text.find('.') == std::string::npos) {
        Add<RuleId::VersionWithoutFullStops>(out, subject, version.text, version.normalized);
    }
}
