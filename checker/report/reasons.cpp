// The words of decisions: each sentence ties a value to what the loader does with it.
#include "reasons.h"

#include <loader.h>

#include <iomanip>
#include <sstream>

namespace {

std::string Quoted(const std::string &text) {
    return "'" + text + "'";
}

std::string Shown(const VersionReading &version) {
    return version.isVersion ? version.text : Quoted(version.text);
}

std::string InstalledShown(const Reading &installed) {
    if (installed.version.text != installed.record.stored) {
        return "the installed value of " + std::to_string(installed.record.stored.size()) +
               " characters, taken as empty,";
    }
    return "the installed " + Shown(installed.version);
}

std::string Ordering(int order, const VersionReading &travelling, const Reading &installed) {
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
    return travelling.text +
           (order > 0   ? " orders after "
            : order < 0 ? " orders before "
                        : " orders alike ") +
           version.text;
}

std::string PathLimit() {
    return std::to_string(kPathCapacity - 1) + " characters";
}

} // namespace

std::string RecordKey(const Record &record) {
    return RegistryKeyText(record.regPath, 0);
}

std::string RegistryKeyText(const std::string &regPath, int view) {
    return std::string("HKLM\\") + kSoftwareKey + "\\" + regPath +
           (view == 0 ? "" : " (" + ViewName(view) + "-bit view)");
}

std::string AnswerCode(const Signature &signature) {
    if (signature.code == 0) {
        return "";
    }
    std::ostringstream code;
    code << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0')
         << signature.code;
    return code.str();
}

std::string ViewName(int view) {
    return view == 0 ? "" : std::to_string(view);
}

std::string NotRead(const Record &record) {
    const std::string where = RegistryKeyText(record.regPath, record.view);
    switch (record.state) {
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

std::string DecisionReason(const Decision &decision, const VersionReading &travelling,
                           const Reading *reading) {
    switch (decision.cause) {
    case Cause::DescriptorPathTooLong:
        return "the path of autorun.inf does not fit " + PathLimit();
    case Cause::NoDescriptor:
        return "there is no autorun.inf beside the loader";
    case Cause::NoSection:
        return "autorun.inf has no section [autorun]";
    case Cause::MissingValue:
        return std::string("autorun.inf gives no ") + kDescriptorKeys[decision.missingKey] +
               " in section [autorun]";
    case Cause::NotRead:
        return NotRead(reading->record);
    case Cause::Ordered:
        break;
    }
    return Ordering(decision.order, travelling, *reading);
}

std::string LaunchReason(const PackageLaunch &launch) {
    switch (launch.cause) {
    case LaunchCause::SourceTooLong:
        return "the package's path does not fit " + PathLimit() +
               ": the loader ends without launching anything";
    case LaunchCause::PackageMissing:
        return "there is no file " + launch.path +
               ": the copy and the launch fail, nothing is installed";
    case LaunchCause::NoTempDirectory:
        return "there is no temporary directory to stage it in: it runs where it lies";
    case LaunchCause::LeavesDirectory:
        return "RuntimePackage leaves the loader's directory, so it is never staged: it runs "
               "where it lies";
    case LaunchCause::InSubDirectory:
        return "RuntimePackage names a sub-directory, which a new staging directory does not hold, "
               "so it is never staged: it runs where it lies";
    case LaunchCause::StagingTooLong:
        return "the staging path, with its directory's name, does not fit: it runs where it lies";
    case LaunchCause::NoStagingDirectory:
        return "the staging directory is made in " + launch.stagingDirectory +
               ", which does not exist: it runs where it lies, nothing is deleted";
    case LaunchCause::Staged:
        break;
    }
    return "a copy alone in a new directory of the temporary directory (CL and eight hexadecimal "
           "digits, new on each start), both removed after the package ends; where a policy "
           "refuses programs there, the copy is removed and the package runs where it lies";
}
