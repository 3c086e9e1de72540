// MC6xx: the runtime package itself: whether it can be read, what it records where the loader
// reads, and whether its own version and platform agree with the medium.
#include "groups.h"

#include <loader.h>

#include <algorithm>

namespace {

// The package the loader launches, by the path its plan gives, with its length where it was read.
Subject OnPackage(const Observation &observation) {
    Subject subject = OnPackageFile(observation, observation.launch->plan.SourcePath);
    subject.length = observation.package ? observation.package->length : std::nullopt;
    return subject;
}

// What the package's records leave, one by one: where the install context or the package's
// platform makes one land otherwise than its author may think.
void CheckRecords(const PackageFacts &package, const PackageRecords &records,
                  const Subject &subject, Findings *out) {
    const PackageRecording &recording = *package.recording;
    for (const PackageWrite &write : records.writes) {
        if (write.record.byContext && recording.eitherContext) {
            Add<RuleId::MsiEitherContext>(out, subject, write.record.origin, recording.context);
        }
        if (write.throughNode && write.record.writerBits != 64) {
            Add<RuleId::MsiNamesWow64Node>(out, subject, write.record.origin,
                                           write.key.substr(write.key.find('\\') + 1));
        }
        if (write.record.writerBits == 64 && package.bits != 64) {
            Add<RuleId::Msi64BitComponentIn32BitPackage>(out, subject, write.record.origin,
                                                         package.platform);
        }
    }
}

void CheckWrites(const Observation &observation, const PackageRecords &records,
                 const Prediction &prediction, const Subject &subject, Findings *out) {
    const PackageFacts &package = *observation.package;
    CheckRecords(package, records, subject, out);
    if (!records.write) {
        for (const PackageWrite &write : records.writes) {
            const PackageRecord &record = write.record;
            const ValueNaming naming =
                record.name.empty() ? ValueNaming::Default : ValueNaming::Named;
            if (write.landing == Landing::OtherView) {
                Add<RuleId::MsiOtherView>(out, subject, record.origin, record.hive, write.key,
                                          record.name, naming, write.view, observation.loaderView);
            } else {
                Add<RuleId::MsiOtherPlace>(out, subject, record.origin, record.hive, write.key,
                                           record.name, naming);
            }
        }
        const std::vector<std::string> &unfollowed = package.recording->unfollowed;
        if (records.writes.empty() && unfollowed.empty()) {
            Add<RuleId::MsiRecordsNothing>(out, subject);
        } else if (records.writes.empty()) {
            Add<RuleId::MsiCustomActionMight>(out, subject, unfollowed.front());
        }
        return;
    }
    const PackageWrite &write = *records.write;
    if (!write.record.condition.empty()) {
        Add<RuleId::MsiConditionalRecord>(out, subject, write.record.origin,
                                          write.record.condition);
    }
    if (prediction.next && prediction.next->recorded.record.source == RecordSource::Package &&
        prediction.next->decision.end == End::Install) {
        Add<RuleId::MsiRecordsOlder>(out, subject, write.record.origin, write.record.type,
                                     write.data);
    }
}

// Why the package's install fails whatever it records, each cause with its rule: what it reads
// from beside itself, and the first HKLM record it cannot write.
void CheckFailures(const PackageFacts &package, const Prediction &prediction,
                   const Subject &subject, Findings *out) {
    for (InstallFailure failure : prediction.failures) {
        switch (failure) {
        case InstallFailure::SourceMissing: {
            const ExternalSource &source = package.external->front();
            Add<RuleId::MsiFilesOutside>(out, subject, source.kind, source.name);
            break;
        }
        case InstallFailure::CannotWriteMachine: {
            const std::vector<PackageRecord> &records = package.recording->records;
            const PackageRecord &record =
                *std::find_if(records.begin(), records.end(), [](const PackageRecord &each) {
                    return each.hive == Hive::LocalMachine;
                });
            Add<RuleId::MsiCannotWriteMachine>(out, subject, record.origin, record.key);
            break;
        }
        }
    }
}

// The package's own version against the medium's, each source of it with its rule.
void CheckOwnVersion(const PackageFacts &package, const std::string &travelling,
                     const Subject &subject, Findings *out) {
    if (!package.version ||
        CompareVersions(travelling.c_str(), package.version->text.c_str()) == 0) {
        return;
    }
    switch (package.version->source) {
    case VersionSource::ProductVersion:
        Add<RuleId::MsiProductVersionDiffers>(out, subject, package.version->text, travelling);
        return;
    case VersionSource::FixedProductVersion:
    case VersionSource::FixedFileVersion:
        Add<RuleId::ProgramVersionDiffers>(out, subject, package.version->source,
                                           package.version->text, travelling);
        return;
    }
}

} // namespace

void CheckRuntimePackage(const Observation &observation, const Prediction &prediction,
                         Findings *out) {
    if (prediction.nextUnknown) {
        Add<RuleId::RecordsUnknown>(out, OnPackage(observation));
    }
    if (!observation.package || observation.package->format == kNoFormat) {
        return;
    }
    const PackageFacts &package = *observation.package;
    const Subject subject = OnPackage(observation);
    if (package.damage) {
        Add<RuleId::PackageUnreadable>(out, subject, *package.damage);
        return;
    }
    CheckFailures(package, prediction, subject, out);
    if (prediction.package) {
        CheckWrites(observation, *prediction.package, prediction, subject, out);
    }
    CheckOwnVersion(package, prediction.travelling.text, subject, out);
    if (prediction.recordsGiven && prediction.package && prediction.package->write &&
        prediction.recordsGiven->stored != prediction.package->write->data) {
        Add<RuleId::RecordsDiffer>(out, subject, prediction.recordsGiven->stored,
                                   prediction.package->write->data);
    }
    if (package.bits == 64) {
        Add<RuleId::PackageFor64Bit>(out, subject, package.platform);
    }
}
