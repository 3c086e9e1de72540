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

// Why the package cannot be read, as the rule's message numbers its words.
int Unreadable(const PackageFile &package) {
    if (package.type == PackageType::Msi) {
        return 0;
    }
    switch (package.exe->state) {
    case ProgramState::Empty:
        return 1;
    case ProgramState::Truncated:
        return 2;
    case ProgramState::NoHeaders:
    case ProgramState::Program:
        break;
    }
    return 3;
}

// What the package's rows leave, row by row: where the install context or the Template makes
// one land otherwise than its author may think.
void CheckRows(const MsiContents &msi, const PackageRecords &records, const Subject &subject,
               Findings *out) {
    for (const PackageWrite &write : records.writes) {
        if (write.byContext && records.eitherContext) {
            Add<RuleId::MsiEitherContext>(out, subject, write.row,
                                          static_cast<int>(records.context));
        }
        if (write.win64 && !records.for64Bit) {
            Add<RuleId::Msi64BitComponentIn32BitPackage>(out, subject, write.row, msi.platform);
        }
    }
}

void CheckWrites(const Observation &observation, const PackageRecords &records,
                 const Prediction &prediction, Findings *out) {
    const PackageFile &package = *observation.package;
    const Subject subject = OnPackage(observation, package);
    CheckRows(*package.msi, records, subject, out);
    if (!records.write) {
        for (const PackageWrite &write : records.writes) {
            // A value without a name is the key's default value.
            const int unnamed = write.name.empty() ? 1 : 0;
            const int hive = static_cast<int>(write.hive);
            if (write.landing == Landing::OtherView) {
                Add<RuleId::MsiOtherView>(out, subject, write.row, hive, write.key, write.name,
                                          unnamed, write.view, observation.loaderView);
            } else {
                Add<RuleId::MsiOtherPlace>(out, subject, write.row, hive, write.key, write.name,
                                           unnamed);
            }
        }
        const std::vector<std::string> &actions = package.msi->customActions;
        if (records.writes.empty() && actions.empty()) {
            Add<RuleId::MsiRecordsNothing>(out, subject);
        } else if (records.writes.empty()) {
            Add<RuleId::MsiCustomActionMight>(out, subject, actions.front());
        }
        return;
    }
    const PackageWrite &write = *records.write;
    if (!write.condition.empty()) {
        Add<RuleId::MsiConditionalRecord>(out, subject, write.row, write.condition);
    }
    if (prediction.next && prediction.next->recorded.record.source == RecordSource::Package &&
        prediction.next->decision.end == End::Install) {
        Add<RuleId::MsiRecordsOlder>(out, subject, write.row, static_cast<int>(write.type),
                                     write.data);
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
        Add<RuleId::PackageUnreadable>(out, subject, Unreadable(package));
        return;
    }
    const std::string &version = prediction.travelling.text;
    if (package.msi) {
        const PackageRecords &records = *prediction.package;
        CheckWrites(observation, records, prediction, out);
        if (records.productVersion &&
            CompareVersions(version.c_str(), records.productVersion->text.c_str()) != 0) {
            Add<RuleId::MsiProductVersionDiffers>(out, subject, records.productVersion->text,
                                                  version);
        }
        if (prediction.recordsGiven && records.write &&
            prediction.recordsGiven->stored != records.write->data) {
            Add<RuleId::RecordsDiffer>(out, subject, prediction.recordsGiven->stored,
                                       records.write->data);
        }
        const std::string &platform = package.msi->platform;
        if (platform == "x64" || platform == "Arm64") {
            Add<RuleId::PackageFor64Bit>(out, subject, platform);
        }
        return;
    }
    const ExeContents &exe = *package.exe;
    if (exe.machine == kMachineAmd64 || exe.machine == kMachineArm64) {
        Add<RuleId::PackageFor64Bit>(out, subject,
                                     std::string(exe.machine == kMachineAmd64 ? "x64" : "Arm64"));
    }
    if (exe.hasVersion && CompareVersions(version.c_str(), exe.fixedFileVersion.c_str()) != 0) {
        Add<RuleId::ProgramVersionDiffers>(out, subject, exe.fixedFileVersion, version);
    }
}
