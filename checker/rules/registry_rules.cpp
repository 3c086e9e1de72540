// MC3xx: RegPath and the installed-version records, in the loader's view and the other one, now
// and after the package has run.
#include "groups.h"

#include "../model/ascii.h"

void CheckRegistry(const Observation &observation, const Prediction &prediction, Findings *out) {
    const Reading &installed = *prediction.installed;
    const std::string &regPath = installed.record.regPath;
    const Subject key = OnDescriptorKey(observation.descriptor, kRegPathKey);
    if (regPath[0] == '\\') {
        Add<RuleId::RegPathBackslash>(out, key, regPath);
    }
    const std::string software = AsciiLower(kSoftwareKey) + "\\";
    if (AsciiLower(regPath.substr(0, software.size())) == software) {
        Add<RuleId::RegPathUnderSoftware>(out, key, regPath);
    }
    if (installed.record.state == RecordState::KeyTooLong) {
        Add<RuleId::SubKeyTooLong>(out, key, kSubKeyCapacity - 1);
    }
    if (prediction.otherView && prediction.otherView->record.state == RecordState::Present) {
        const Record &other = prediction.otherView->record;
        const RecordState state = installed.record.state;
        if (state == RecordState::NoKey || state == RecordState::NoValue) {
            Add<RuleId::OnlyInOtherView>(out, OnRecord(other), other.view, installed.record.view);
        } else if (state == RecordState::Present && installed.record.stored != other.stored) {
            Add<RuleId::OtherViewDiffers>(out, OnRecord(other), other.view, other.stored,
                                          installed.record.view, installed.record.stored);
        }
    }
    if (installed.record.read && !installed.version.isVersion &&
        prediction.decision.end == End::Install && !prediction.next) {
        Add<RuleId::InstalledNotAVersion>(out, OnRecord(installed.record), installed.record.stored);
    }
    // What an MSI itself records, and a package whose install fails, have findings of their own
    // (MC6xx).
    if (prediction.next && prediction.next->decision.end == End::Install &&
        prediction.next->recorded.record.source != RecordSource::Package &&
        prediction.failures.empty()) {
        Add<RuleId::NextStartInstallsAgain>(out, OnRecord(installed.record),
                                            prediction.next->recorded.record.stored);
    }
}
