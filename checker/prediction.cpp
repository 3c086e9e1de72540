// Every value and decision of the prediction is asked of the loader's own functions, in the
// order its run asks them; this file only puts the answers into words.
#include "prediction.h"

#include <paths.h>
#include <windows.h>

#include <cstring>
#include <vector>

const char *const kDescriptorKeys[3] = {"RuntimePackage", "RegPath", "Version"};

std::array<const char *, 3> DescriptorValues(const PackageDescriptor &descriptor) {
    return {descriptor.RuntimePackage, descriptor.RegPath, descriptor.Version};
}

namespace {

const char kDescriptorName[] = "autorun.inf";
const DWORD kWholeValueSize = 4096;

// A value as the platform's reader gives it without the loader's cut.
std::string WholeValue(const std::string &descriptorPath, const char *key) {
    std::vector<char> value(kWholeValueSize, '\0');
    GetPrivateProfileStringA("autorun", key, "", value.data(), kWholeValueSize,
                             descriptorPath.c_str());
    return value.data();
}

std::string Shown(const VersionReading &version) {
    return version.isVersion ? version.text : "'" + version.text + "'";
}

std::string InstalledShown(const InstalledReading &installed) {
    if (installed.version.text != installed.stored) {
        return "the installed value of " + std::to_string(installed.stored.size()) +
               " characters, taken as empty,";
    }
    return "the installed " + Shown(installed.version);
}

std::string ViewSuffix(const InstalledReading &installed) {
    return installed.view.empty() ? "" : " (" + installed.view + "-bit view)";
}

std::string Ordering(const VersionReading &travelling, const InstalledReading &installed) {
    const VersionReading &version = installed.version;
    if (!travelling.isVersion && !version.isVersion) {
        return "neither " + Shown(travelling) + " nor " + InstalledShown(installed) +
               " is a version, so they order alike";
    }
    if (!version.isVersion) {
        return InstalledShown(installed) + " is not a version and orders before every version";
    }
    if (!travelling.isVersion) {
        return Shown(travelling) + " is not a version and orders before " +
               InstalledShown(installed);
    }
    int order = CompareVersions(travelling.text.c_str(), version.text.c_str());
    return travelling.text +
           (order > 0   ? " orders after "
            : order < 0 ? " orders before "
                        : " orders alike ") +
           version.text;
}

std::string NotRead(const InstalledReading &installed) {
    const std::string where = installed.key + ViewSuffix(installed);
    switch (installed.state) {
    case RecordState::NotInstalled:
        return "nothing is installed";
    case RecordState::NoKey:
        return "no key " + where;
    case RecordState::Unopenable:
        return where + " cannot be opened for reading";
    case RecordState::NoValue:
        return "no Version value under " + where;
    case RecordState::TooLong:
        return "the Version value under " + where + " holds more than " +
               std::to_string(kInstalledDataSize) + " bytes, which the loader does not read";
    case RecordState::KeyTooLong:
        return "Software\\<RegPath> is longer than the " + std::to_string(kSubKeyCapacity - 1) +
               " characters the loader opens";
    case RecordState::Present:
        break;
    }
    return "the Version value under " + where + " cannot be read";
}

Decision Decide(const PackageDescriptor &descriptor, const VersionReading &travelling,
                const InstalledReading &installed) {
    Decision decision;
    decision.end = IsInstallDue(&descriptor, installed.read, installed.version.text.c_str())
                       ? End::Install
                       : End::UpToDate;
    decision.reason = installed.read ? Ordering(travelling, installed) : NotRead(installed);
    return decision;
}

std::string Incomplete(const Prediction &prediction) {
    if (prediction.descriptorPath.empty()) {
        return "the path of autorun.inf does not fit " + std::to_string(kPathCapacity - 1) +
               " characters";
    }
    if (!prediction.descriptorFound) {
        return "there is no autorun.inf beside the loader";
    }
    const auto fields = DescriptorValues(prediction.descriptor);
    int missing = 0;
    while (missing < 2 && fields[missing][0] != '\0') {
        ++missing;
    }
    return std::string("autorun.inf gives no ") + kDescriptorKeys[missing] +
           " in section [autorun]";
}

// Where the run launches the package from, asking the same functions the run asks.
Placement LocateLaunch(const Options &options, const Prediction &prediction) {
    Placement placement;
    const char *name = prediction.descriptor.RuntimePackage;
    char sourcePath[kPathCapacity] = {0};
    if (!JoinPath(sourcePath, sizeof(sourcePath), prediction.programDirectory.c_str(), name)) {
        placement.reason = "the package's path does not fit " + std::to_string(kPathCapacity - 1) +
                           " characters: the loader ends without launching anything";
        return placement;
    }
    char stagingPath[kPathCapacity] = {0};
    char tempPath[kPathCapacity] = {0};
    ReadTempPath(tempPath);
    int canStage = FormStagingPath(tempPath, name, stagingPath);
    placement.stagingPath = stagingPath;
    placement.package = LocatePackage(options, name, sourcePath);
    char stagingDirectory[kPathCapacity] = {0};
    memcpy(stagingDirectory, stagingPath, sizeof(stagingDirectory));
    RemoveFileSpec(stagingDirectory);

    placement.path = sourcePath;
    if (placement.package == Presence::Missing) {
        placement.place = Place::Nowhere;
        placement.reason = "there is no file " + std::string(sourcePath) +
                           ": the copy and the launch fail, nothing is installed";
    } else if (!canStage) {
        placement.place = Place::Medium;
        placement.reason = IsNameBelowDirectory(name)
                               ? "the staging path does not fit: it runs where it lies"
                               : "RuntimePackage leaves the loader's directory, so it is never "
                                 "staged: it runs where it lies";
    } else if (!IsDirectory(stagingDirectory)) {
        placement.place = Place::Medium;
        placement.reason = "the staging copy needs " + std::string(stagingDirectory) +
                           ", which does not exist: it runs where it lies, nothing is deleted";
    } else {
        placement.place = Place::Staging;
        placement.path = stagingPath;
        placement.reason = "a copy in the temporary directory, deleted after the package ends";
    }
    return placement;
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

Prediction Predict(const Options &options, const MediumPlace &place) {
    Prediction prediction;
    prediction.medium = options.medium.empty() ? place.programDirectory : options.medium;
    prediction.programDirectory = place.programDirectory;
    prediction.recordsGiven = options.records.has_value();
    prediction.descriptorBytes = place.descriptorBytes;
    char descriptorPath[kPathCapacity] = {0};
    if (JoinPath(descriptorPath, sizeof(descriptorPath), place.programDirectory.c_str(),
                 kDescriptorName)) {
        prediction.descriptorPath = descriptorPath;
        prediction.descriptorFound = IsFile(descriptorPath);
        prediction.complete = ReadPackageDescriptor(descriptorPath, &prediction.descriptor);
        for (int i = 0; i < 3; ++i) {
            prediction.wholeValues[i] = WholeValue(descriptorPath, kDescriptorKeys[i]);
        }
    }
    prediction.travelling = DescribeVersion(prediction.descriptor.Version);
    if (!prediction.complete) {
        prediction.decision.reason = Incomplete(prediction);
        return prediction;
    }

    const PackageDescriptor &descriptor = prediction.descriptor;
    prediction.installed = ReadInstalled(options, descriptor.RegPath);
    prediction.otherView = ReadOtherView(options, descriptor.RegPath);
    prediction.decision = Decide(descriptor, prediction.travelling, *prediction.installed);
    prediction.placement = LocateLaunch(options, prediction);
    // The package runs only when installation is due; then what it records is what the next
    // start reads.
    if (options.records && prediction.decision.end == End::Install) {
        NextStart next;
        next.recorded = ReadRecorded(descriptor.RegPath, *options.records);
        next.decision = Decide(descriptor, prediction.travelling, next.recorded);
        prediction.next = next;
    }
    return prediction;
}
