// Every decision is the loader core's, asked in the order its run asks: the descriptor, the
// install decision, the launch plan, and, when the package records a version, the next start.
#include "predict.h"

#include <loader.h>

#include <algorithm>

namespace {

Decision Incomplete(const DescriptorFile &descriptor) {
    Decision decision; // its end: the descriptor incomplete
    decision.cause = descriptor.path.empty()  ? Cause::DescriptorPathTooLong
                     : !descriptor.found      ? Cause::NoDescriptor
                     : !descriptor.hasSection ? Cause::NoSection
                                              : Cause::MissingValue;
    decision.missingKey = descriptor.missingKey;
    return decision;
}

Decision Decide(const PackageDescriptor &descriptor, const Record &record) {
    Decision decision;
    decision.cause = record.read ? Cause::Ordered : Cause::NotRead;
    decision.order = record.read ? CompareVersions(descriptor.Version, record.version.c_str()) : 0;
    decision.end = IsDueByOrder(record.read, decision.order) ? End::Install : End::UpToDate;
    return decision;
}

Reading Read(const Record &record) {
    return Reading{record, DescribeVersion(record.version)};
}

LaunchCause Unstaged(int staging) {
    switch (staging) {
    case kNoTempDirectory:
        return LaunchCause::NoTempDirectory;
    case kNameLeavesDirectory:
        return LaunchCause::LeavesDirectory;
    case kNameInSubDirectory:
        return LaunchCause::InSubDirectory;
    default:
        return LaunchCause::StagingTooLong;
    }
}

// Where the run launches the package from: its plan, and whether the copy it makes can be made.
PackageLaunch PredictLaunch(const PlannedLaunch &planned) {
    PackageLaunch launch;
    if (!planned.formed) {
        launch.cause = LaunchCause::SourceTooLong;
        return launch;
    }
    const LaunchPlan &plan = planned.plan;
    launch.path = plan.SourcePath;
    launch.stagingPath = plan.StagingPath;
    launch.package = planned.package;
    launch.stagingDirectory = planned.stagingDirectory;

    launch.site = LaunchSite::Medium;
    if (launch.package == FileKind::Missing) {
        launch.site = LaunchSite::Nowhere;
        launch.cause = LaunchCause::PackageMissing;
    } else if (plan.Staging != kStaged) {
        launch.cause = Unstaged(plan.Staging);
    } else if (planned.stagingDirectoryKind != FileKind::Directory) {
        launch.cause = LaunchCause::NoStagingDirectory;
    } else {
        launch.site = LaunchSite::Staging; // its cause: staged
        launch.path = launch.stagingPath;
    }
    return launch;
}

// The record the next start reads once the package has run: its value where it lands where the
// loader reads, otherwise no key, or no value where a record writes the key.
Record RecordOfPackage(const PackageRecords &records, const std::string &regPath) {
    Record record = StoredRecord(
        regPath,
        records.write ? std::optional<std::string>(records.write->record.bytes) : std::nullopt);
    record.source = RecordSource::Package;
    if (!records.write && record.state == RecordState::NotInstalled) {
        bool keyWritten = std::any_of(
            records.writes.begin(), records.writes.end(),
            [](const PackageWrite &write) { return write.landing == Landing::OtherName; });
        record.state = keyWritten ? RecordState::NoValue : RecordState::NoKey;
    }
    return record;
}

} // namespace

VersionReading DescribeVersion(const std::string &text) {
    VersionReading reading;
    reading.text = text;
    // CompareVersions orders a normalised version of any width; a text orders after the empty
    // one exactly when the loader takes it as a version.
    reading.isVersion = CompareVersions(text.c_str(), "") > 0;
    char normalized[kVersionCapacity] = {0};
    if (NormalizeVersion(text.c_str(), normalized)) {
        reading.normalized = normalized;
    }
    return reading;
}

Prediction Predict(const Observation &observation, const std::optional<std::string> &records) {
    Prediction prediction;
    const DescriptorFile &descriptor = observation.descriptor;
    prediction.travelling = DescribeVersion(DescriptorValue(descriptor, kVersionKey));
    if (!descriptor.complete) {
        prediction.decision = Incomplete(descriptor);
        return prediction;
    }
    const std::string regPath = DescriptorValue(descriptor, kRegPathKey);
    const Record &installed = *observation.installed;
    prediction.installed = Read(installed);
    if (observation.otherView) {
        prediction.otherView = Read(*observation.otherView);
    }
    prediction.decision = Decide(descriptor.values, installed);
    prediction.launch = PredictLaunch(*observation.launch);
    // The package runs only when installation is due; then what it records, or what was there when
    // its install fails, is what the next start reads.
    if (records) {
        prediction.recordsGiven = GivenRecord(regPath, records);
    }
    std::optional<Record> recorded = prediction.recordsGiven;
    if (observation.package && observation.package->recording) {
        prediction.package =
            PredictPackageRecords(*observation.package->recording, regPath, observation.loaderView,
                                  observation.machine.bits);
        if (!recorded) {
            recorded = RecordOfPackage(*prediction.package, regPath);
        }
    }
    // An install that fails records nothing: the next start reads what this one read.
    if (observation.package) {
        prediction.failures = PredictInstallFailures(*observation.package, *prediction.launch);
    }
    if (!prediction.failures.empty()) {
        recorded = installed;
    }
    if (recorded && prediction.decision.end == End::Install) {
        prediction.next = NextStart{Read(*recorded), Decide(descriptor.values, *recorded)};
    }
    // A package read whole that runs and records what its own code writes: an installer program,
    // or a file the shell opens with another program.
    prediction.nextUnknown = !recorded && prediction.decision.end == End::Install &&
                             prediction.launch->site != LaunchSite::Nowhere &&
                             !(observation.package && observation.package->damage);
    return prediction;
}
