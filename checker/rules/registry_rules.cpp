// MC3xx: RegPath and the installed-version records, in the loader's view and the other one, now
// and after the package has run.
#include "groups.h"

namespace {

const int kRegPathKey = 1;

} // namespace

void CheckRegistry(const Observation &observation, const Prediction &prediction, Findings *out) {
    const Reading &installed = *prediction.installed;
    const std::string &regPath = installed.record.regPath;
    if (regPath[0] == '\\') {
        Add(out, "MC301", OnDescriptorKey(observation.descriptor, kRegPathKey), {regPath});
    }
    if (Lower(regPath.substr(0, 9)) == "software\\") {
        Add(out, "MC302", OnDescriptorKey(observation.descriptor, kRegPathKey), {regPath});
    }
    if (installed.record.state == RecordState::KeyTooLong) {
        Add(out, "MC303", OnDescriptorKey(observation.descriptor, kRegPathKey));
    }
    if (prediction.otherView && prediction.otherView->record.state == RecordState::Present) {
        const Record &other = prediction.otherView->record;
        const RecordState state = installed.record.state;
        if (state == RecordState::NoKey || state == RecordState::NoValue) {
            Add(out, "MC304", OnRecord(other),
                {std::to_string(other.view), std::to_string(installed.record.view)});
        } else if (state == RecordState::Present && installed.record.stored != other.stored) {
            Add(out, "MC307", OnRecord(other),
                {std::to_string(other.view), other.stored, std::to_string(installed.record.view),
                 installed.record.stored});
        }
    }
    if (installed.record.read && !installed.version.isVersion &&
        prediction.decision.end == End::Install && !prediction.next) {
        Add(out, "MC305", OnRecord(installed.record), {installed.record.stored});
    }
    // What an MSI itself records has findings of its own (MC6xx).
    if (prediction.next && prediction.next->decision.end == End::Install &&
        prediction.next->recorded.record.source != RecordSource::Package) {
        Add(out, "MC306", OnRecord(installed.record), {prediction.next->recorded.record.stored});
    }
}
