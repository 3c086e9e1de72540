// What findings are about: a value of autorun.inf, the file, a file on the medium, the medium,
// a registry key.
#include "groups.h"

#include <paths.h>

#include <algorithm>

Subject OnMedium(const std::string &directory) {
    Subject subject;
    subject.name = directory;
    return subject;
}

Subject OnRecord(const Record &record) {
    Subject subject;
    subject.kind = SubjectKind::RegistryKey;
    subject.name = record.regPath;
    subject.view = record.view;
    return subject;
}

Subject OnDescriptorKey(const DescriptorFile &descriptor, int key) {
    TextPosition at = descriptor.positions.values[key];
    at = at.line != 0 ? at : descriptor.positions.section;
    Subject subject = OnDescriptor(descriptor, at);
    subject.kind = SubjectKind::DescriptorKey;
    subject.name = kDescriptorKeys[key];
    return subject;
}

Subject OnDescriptor(const DescriptorFile &descriptor, TextPosition at) {
    at = at.line != 0 ? at : TextPosition{1, 1};
    return Subject{
        SubjectKind::Descriptor, descriptor.name, 0, descriptor.name, at.line, at.column, {}};
}

Subject OnFile(const std::string &name, const std::string &shown) {
    std::string file = IsNameBelowDirectory(name.c_str()) ? name : "";
    std::replace(file.begin(), file.end(), '\\', '/');
    return Subject{SubjectKind::File, shown, 0, file, 0, 0, {}};
}

Subject OnPackageFile(const Observation &observation, const std::string &shown) {
    return Subject{SubjectKind::File, shown, 0, observation.launch->packageOnMedium, 0, 0, {}};
}
