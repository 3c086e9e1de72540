// MC1xx: autorun.inf, and whether the loader can read its three values.
#include "groups.h"

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out) {
    const DescriptorFile &descriptor = observation.descriptor;
    const Subject file = OnDescriptor(descriptor);
    if (descriptor.positions.nonAscii.line != 0) {
        Add<RuleId::NotAscii>(out, OnDescriptor(descriptor, descriptor.positions.nonAscii));
    }
    // A mark that Windows reads as plain bytes, hiding what Wine finds: the loader does nothing on
    // Windows whatever this machine's reader made of it.
    const bool hidden =
        descriptor.marked && descriptor.marked->asWine && !descriptor.marked->asWindows;
    if (hidden && descriptor.encoding == TextEncoding::Utf8Mark) {
        Add<RuleId::Utf8MarkOnSectionLine>(out, file);
    } else if (hidden) {
        Add<RuleId::Utf16BigEndian>(out, file);
    }
    if (descriptor.positions.laterSection.line != 0) {
        Add<RuleId::SecondSection>(out,
                                   OnDescriptor(descriptor, descriptor.positions.laterSection));
    }
    if (descriptor.encoding == TextEncoding::Utf16LittleEndian) {
        Add<RuleId::Utf16LittleEndian>(out, file);
    }
    for (const DescriptorMapping &mapping : observation.descriptorMappings) {
        Subject key;
        key.kind = SubjectKind::RegistryKey;
        key.name = mapping.key;
        key.view = mapping.view;
        // A key without a default value maps only the sections it names.
        const std::string mapsTo = mapping.mapsTo.empty() ? "section by section" : mapping.mapsTo;
        Add<RuleId::DescriptorMapped>(out, key, mapsTo, mapping.consulted);
    }
    switch (prediction.decision.cause) {
    case Cause::DescriptorPathTooLong:
        Add<RuleId::DescriptorPathTooLong>(out, OnMedium(observation.medium), kPathCapacity - 1);
        return;
    case Cause::NoDescriptor:
        Add<RuleId::NoDescriptor>(
            out, Subject{SubjectKind::Medium, observation.medium, 0, descriptor.name, 0, 0, {}});
        return;
    case Cause::NoSection:
        if (!hidden) {
            Add<RuleId::NoSection>(out, file);
        }
        return;
    case Cause::MissingValue:
        Add<RuleId::MissingValue>(out, OnDescriptorKey(descriptor, prediction.decision.missingKey),
                                  std::string(kDescriptorKeys[prediction.decision.missingKey]));
        return;
    case Cause::NotRead:
    case Cause::Ordered:
        break;
    }
    for (int i = 0; i < kDescriptorKeyCount; ++i) {
        const std::string read = DescriptorValue(descriptor, i);
        if (descriptor.wholeValues[i].size() > read.size()) {
            Add<RuleId::ValueCut>(out, OnDescriptorKey(descriptor, i),
                                  std::string(kDescriptorKeys[i]), descriptor.wholeValues[i].size(),
                                  read.size(), read);
        }
    }
}
