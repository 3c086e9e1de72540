// Every decision is the loader core's, asked in the order its run asks: the descriptor, the
// install decision, the launch plan, and, when the package records a version, the next start.
#include "predict.h"

#include "../observe/registry.h"

#include <loader.h>
#include <paths.h>
#include <windows.h>

#include <algorithm>

namespace {

Decision Incomplete(const DescriptorFile &descriptor) {
    Decision decision; // its end: the descriptor incomplete
    decision.cause = descriptor.path.empty()  ? Cause::DescriptorPathTooLong
                     : !descriptor.found      ? Cause::NoDescriptor
                     : !descriptor.hasSection ? Cause::NoSection
                                              : Cause::MissingValue;
    // The reader stops at the first value that is missing or empty.
    while (decision.missingKey < 2 &&
           DescriptorValue(descriptor.values, decision.missingKey)[0] != '\0') {
        ++decision.missingKey;
    }
    return decision;
}

Decision Decide(const PackageDescriptor &descriptor, const Record &record) {
    Decision decision;
    decision.end = IsInstallDue(&descriptor, record.read, record.version.c_str()) ? End::Install
                                                                                  : End::UpToDate;
    decision.cause = record.read ? Cause::Ordered : Cause::NotRead;
    if (record.read) {
        decision.order = CompareVersions(descriptor.Version, record.version.c_str());
    }
    return decision;
}

Reading Read(const Record &record) {
    return Reading{record, DescribeVersion(record.version)};
}

FileKind KindAt(const Observation &observation, const std::string &path) {
    auto found = observation.files.find(path);
    return found == observation.files.end() ? FileKind::Unknown : found->second;
}

// Where the run launches the package from: its plan, and whether the copy it makes can be made.
Placement PlacePackage(const Observation &observation, const PackageDescriptor &descriptor) {
    Placement placement;
    LaunchPlan plan;
    ZeroMemory(&plan, sizeof(plan));
    if (!PlanLaunch(observation.programDirectory.c_str(), observation.tempPath.c_str(), &descriptor,
                    &plan)) {
        placement.cause = PlaceCause::SourceTooLong;
        return placement;
    }
    placement.path = plan.SourcePath;
    placement.stagingPath = plan.StagingPath;
    placement.package = KindAt(observation, plan.SourcePath);
    RemoveFileSpec(plan.StagingPath);
    placement.stagingDirectory = plan.StagingPath;

    placement.place = Place::Medium;
    if (placement.package == FileKind::Missing) {
        placement.place = Place::Nowhere;
        placement.cause = PlaceCause::PackageMissing;
    } else if (placement.stagingPath.empty()) {
        placement.cause = !IsNameBelowDirectory(descriptor.RuntimePackage)
                              ? PlaceCause::LeavesDirectory
                          : observation.tempPath.empty() ? PlaceCause::NoTempDirectory
                                                         : PlaceCause::StagingTooLong;
    } else if (KindAt(observation, placement.stagingDirectory) != FileKind::Directory) {
        placement.cause = PlaceCause::NoStagingDirectory;
    } else {
        placement.place = Place::Staging; // its cause: staged
        placement.path = placement.stagingPath;
    }
    return placement;
}

// The record the next start reads once the MSI has run: its value where it lands in the
// loader's place, otherwise no key, or no value where a row writes the key.
Record PackageRecord(const PackageRecords &records, const std::string &regPath) {
    Record record = GivenRecord(
        regPath, records.write ? std::optional<std::string>(records.write->data) : std::nullopt);
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

Prediction Predict(const Observation &observation) {
    Prediction prediction;
    const DescriptorFile &descriptor = observation.descriptor;
    prediction.travelling = DescribeVersion(descriptor.values.Version);
    if (!descriptor.complete) {
        prediction.decision = Incomplete(descriptor);
        return prediction;
    }
    prediction.installed = Read(*observation.installed);
    if (observation.otherView) {
        prediction.otherView = Read(*observation.otherView);
    }
    prediction.decision = Decide(descriptor.values, *observation.installed);
    prediction.placement = PlacePackage(observation, descriptor.values);
    // The package runs only when installation is due; then what it records is what the next start
    // reads.
    std::optional<Record> recorded = observation.recorded;
    const PackageFile *package = observation.package ? &*observation.package : nullptr;
    if (package && package->msi) {
        prediction.package =
            PredictPackageRecords(*package->msi, descriptor.values.RegPath, observation.loaderView);
        if (!recorded) {
            recorded = PackageRecord(*prediction.package, descriptor.values.RegPath);
        }
    }
    if (recorded && prediction.decision.end == End::Install) {
        prediction.next = NextStart{Read(*recorded), Decide(descriptor.values, *recorded)};
    }
    return prediction;
}
