// MC6xx: the runtime package itself: whether it can be read, what an MSI records where the
// loader reads, and whether the package's own versions and platform agree with the medium.
#include "groups.h"

#include <loader.h>

#include <algorithm>

namespace {

const int kMachineAmd64 = 0x8664;
const int kMachineArm64 = 0xAA64;

Subject OnPackage(const Observation &observation, const PackageFile &package) {
    Subject subject = OnFile(observation.descriptor.values.RuntimePackage, package.path);
    subject.length = package.length;
    return subject;
}

std::string Where(const PackageWrite &write) {
    return write.hive + "\\" + write.key + " value " +
           (write.name.empty() ? "(default)" : write.name);
}

const char *Unreadable(const PackageFile &package) {
    if (package.type == PackageType::Msi) {
        return "not an MSI database";
    }
    switch (package.exe->state) {
    case ProgramState::Empty:
        return "empty";
    case ProgramState::Truncated:
        return "truncated";
    case ProgramState::NoHeaders:
    case ProgramState::Program:
        break;
    }
    return "without MZ and PE headers";
}

void CheckWrites(const Observation &observation, const PackageRecords &records,
                 const Prediction &prediction, Findings *out) {
    const PackageFile &package = *observation.package;
    const Subject subject = OnPackage(observation, package);
    if (!records.write) {
        for (const PackageWrite &write : records.writes) {
            Add(out, write.landing == Landing::OtherView ? "MC601" : "MC602", subject,
                {write.row, Where(write), std::to_string(write.view),
                 std::to_string(observation.loaderView)});
        }
        if (records.writes.empty()) {
            const std::vector<std::string> &actions = package.msi->customActions;
            Add(out, actions.empty() ? "MC604" : "MC605", subject,
                {actions.empty() ? "" : actions.front()});
        }
        return;
    }
    const PackageWrite &write = *records.write;
    if (write.landing == Landing::EitherHive) {
        Add(out, "MC611", subject, {write.row});
    }
    if (!write.condition.empty()) {
        Add(out, "MC606", subject, {write.row, write.condition});
    }
    if (prediction.next && prediction.next->recorded.record.source == RecordSource::Package &&
        prediction.next->decision.end == End::Install) {
        Add(out, "MC603", subject, {write.row, write.data});
    }
}

} // namespace

void CheckRuntimePackage(const Observation &observation, const Prediction &prediction,
                         Findings *out) {
    if (!observation.package || observation.package->type == PackageType::Other) {
        return;
    }
    const PackageFile &package = *observation.package;
    const Subject subject = OnPackage(observation, package);
    if (!package.readable) {
        Add(out, "MC610", subject, {Unreadable(package)});
        return;
    }
    const std::string &version = prediction.travelling.text;
    if (package.msi) {
        const PackageRecords &records = *prediction.package;
        CheckWrites(observation, records, prediction, out);
        if (records.productVersion &&
            CompareVersions(version.c_str(), records.productVersion->text.c_str()) != 0) {
            Add(out, "MC607", subject, {records.productVersion->text, version});
        }
        if (observation.recorded && records.write &&
            observation.recorded->stored != records.write->data) {
            Add(out, "MC612", subject, {observation.recorded->stored, records.write->data});
        }
        const std::string &platform = package.msi->platform;
        if (platform == "x64" || platform == "Arm64") {
            Add(out, "MC608", subject, {platform});
        }
        return;
    }
    const ExeContents &exe = *package.exe;
    if (exe.machine == kMachineAmd64 || exe.machine == kMachineArm64) {
        Add(out, "MC608", subject, {exe.machine == kMachineAmd64 ? "x64" : "Arm64"});
    }
    if (exe.hasVersion && CompareVersions(version.c_str(), exe.fixedFileVersion.c_str()) != 0) {
        Add(out, "MC609", subject, {exe.fixedFileVersion, version});
    }
}
