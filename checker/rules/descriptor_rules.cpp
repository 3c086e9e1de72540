// MC1xx: autorun.inf, and whether the loader can read its three values.
#include "groups.h"

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out) {
    const DescriptorFile &descriptor = observation.descriptor;
    const Subject medium = OnMedium(observation.medium);
    const Subject file = OnDescriptor(descriptor);
    if (descriptor.places.nonAscii.line != 0) {
        Add(out, "MC105", OnDescriptor(descriptor, descriptor.places.nonAscii));
    }
    // A mark that Windows reads as plain bytes, hiding what Wine finds: the loader does nothing on
    // Windows whatever this machine's reader made of it.
    const bool hidden =
        descriptor.marked && descriptor.marked->asWine && !descriptor.marked->asWindows;
    if (hidden) {
        Add(out, descriptor.encoding == TextEncoding::Utf8Mark ? "MC107" : "MC108", file);
    }
    if (descriptor.encoding == TextEncoding::Utf16LittleEndian) {
        Add(out, "MC109", file);
    }
    switch (prediction.decision.cause) {
    case Cause::DescriptorPathTooLong:
        Add(out, "MC106", medium);
        return;
    case Cause::NoDescriptor:
        Add(out, "MC101",
            Subject{SubjectKind::Medium, observation.medium, 0, descriptor.name, 0, 0, {}});
        return;
    case Cause::NoSection:
        if (!hidden) {
            Add(out, "MC102", file);
        }
        return;
    case Cause::MissingValue:
        Add(out, "MC103", OnDescriptorKey(descriptor, prediction.decision.missingKey),
            {kDescriptorKeys[prediction.decision.missingKey]});
        return;
    case Cause::NotRead:
    case Cause::Ordered:
        break;
    }
    for (int i = 0; i < 3; ++i) {
        const std::string read = DescriptorValue(descriptor.values, i);
        if (descriptor.wholeValues[i].size() > read.size()) {
            Add(out, "MC104", OnDescriptorKey(descriptor, i),
                {kDescriptorKeys[i], std::to_string(descriptor.wholeValues[i].size()),
                 std::to_string(read.size()), read});
        }
    }
}
