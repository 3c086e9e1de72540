// MC1xx: autorun.inf, and whether the loader can read its three values.
#include "groups.h"

namespace {

// The first line holding a byte outside ASCII, counted from 1; 0 when there is none.
int FirstNonAsciiLine(const std::string &bytes) {
    int line = 1;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return line;
        }
        line += c == '\n' ? 1 : 0;
    }
    return 0;
}

} // namespace

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out) {
    const DescriptorFile &descriptor = observation.descriptor;
    const Subject medium{SubjectKind::Medium, observation.medium, 0, 0};
    if (int line = FirstNonAsciiLine(descriptor.bytes)) {
        Add(out, "MC105", Subject{SubjectKind::Descriptor, "autorun.inf", 0, line});
    }
    switch (prediction.decision.cause) {
    case Cause::DescriptorPathTooLong:
        Add(out, "MC106", medium);
        return;
    case Cause::NoDescriptor:
        Add(out, "MC101", medium);
        return;
    case Cause::NoSection:
        Add(out, "MC102", Subject{SubjectKind::Descriptor, "autorun.inf", 0, 0});
        return;
    case Cause::MissingValue:
        Add(out, "MC103", OnDescriptorKey(prediction.decision.missingKey),
            {kDescriptorKeys[prediction.decision.missingKey]});
        return;
    case Cause::NotRead:
    case Cause::Ordered:
        break;
    }
    for (int i = 0; i < 3; ++i) {
        const std::string read = DescriptorValue(descriptor.values, i);
        if (descriptor.wholeValues[i].size() > read.size()) {
            Add(out, "MC104", OnDescriptorKey(i),
                {kDescriptorKeys[i], std::to_string(descriptor.wholeValues[i].size()),
                 std::to_string(read.size()), read});
        }
    }
}
