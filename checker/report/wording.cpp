// The words: each sentence ties a value or a finding to what the loader does with it.
#include "wording.h"

#include <loader.h>

#include <cstring>

namespace {

std::string Quoted(const std::string &text) {
    return "'" + text + "'";
}

std::string ViewSuffix(int view) {
    return view == 0 ? "" : " (" + ViewName(view) + "-bit view)";
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

std::string RecordPlace(const Record &record) {
    return RecordKey(record) + ViewSuffix(record.view);
}

std::string NotRead(const Record &record) {
    const std::string where = RecordPlace(record);
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

std::string RecordKey(const Record &record) {
    return "HKLM\\Software\\" + record.regPath;
}

std::string ViewName(int view) {
    return view == 0 ? "" : std::to_string(view);
}

std::string WhereText(const Subject &subject) {
    switch (subject.kind) {
    case SubjectKind::Descriptor:
        return subject.line == 0 ? subject.name
                                 : subject.name + " line " + std::to_string(subject.line);
    case SubjectKind::DescriptorKey:
        return std::string("autorun.inf [") + kDescriptorSection + "] " + subject.name;
    case SubjectKind::RegistryKey:
        return "HKLM\\Software\\" + subject.name + ViewSuffix(subject.view);
    case SubjectKind::Medium:
    case SubjectKind::File:
        break;
    }
    return subject.name;
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

std::string PlacementReason(const Placement &placement) {
    switch (placement.cause) {
    case PlaceCause::SourceTooLong:
        return "the package's path does not fit " + PathLimit() +
               ": the loader ends without launching anything";
    case PlaceCause::PackageMissing:
        return "there is no file " + placement.path +
               ": the copy and the launch fail, nothing is installed";
    case PlaceCause::LeavesDirectory:
        return "RuntimePackage leaves the loader's directory, so it is never staged: it runs "
               "where it lies";
    case PlaceCause::NoTempDirectory:
        return "there is no temporary directory to stage it in: it runs where it lies";
    case PlaceCause::StagingTooLong:
        return "the staging path does not fit: it runs where it lies";
    case PlaceCause::NoStagingDirectory:
        return "the staging copy needs " + placement.stagingDirectory +
               ", which does not exist: it runs where it lies, nothing is deleted";
    case PlaceCause::Staged:
        break;
    }
    return "a copy in the temporary directory, deleted after the package ends";
}

std::string FindingMessage(const Finding &finding, const Prediction &prediction) {
    const std::vector<std::string> &v = finding.values;
    const std::string code = finding.rule->code;
    const std::string nothing = ": the loader ends without doing anything";
    if (code == "MC101") {
        return "there is no autorun.inf beside the loader: it ends without doing anything";
    }
    if (code == "MC102") {
        return "autorun.inf has no section [autorun]" + nothing;
    }
    if (code == "MC103") {
        return v[0] + " is missing or empty: the loader stops reading there and ends without "
                      "doing anything";
    }
    if (code == "MC104") {
        return v[0] + " has " + v[1] + " characters; the loader reads only the first " + v[2] +
               ": " + Quoted(v[3]);
    }
    if (code == "MC105") {
        return "autorun.inf is not plain ASCII: the loader reads it in each machine's ANSI code "
               "page, where the same bytes can name other files and keys";
    }
    if (code == "MC106") {
        return "the path of autorun.inf does not fit " + PathLimit() + nothing;
    }
    if (code == "MC107") {
        return "autorun.inf starts with a UTF-8 byte-order mark on the line of [autorun]: Windows "
               "reads the mark as part of that line, so it never finds the section and the "
               "loader does nothing. Wine skips the mark, so a test under Wine does not show it";
    }
    if (code == "MC108") {
        return "autorun.inf is saved as UTF-16 big-endian, which Windows does not recognise: it "
               "never finds the section and the loader does nothing. Wine reads it, so a test "
               "under Wine does not show it";
    }
    if (code == "MC109") {
        return "autorun.inf is saved as UTF-16 (Unicode): Windows reads it, converting it to "
               "each machine's ANSI code page, where a character outside that code page "
               "becomes '?'";
    }
    if (code == "MC201") {
        return Quoted(v[0]) + " is not a version: the loader installs only where nothing is "
                              "installed, and never over any installed version";
    }
    if (code == "MC202") {
        return v[0] + " has a field of five digits or more, which orders after every field of "
                      "four digits whatever its value (1.10000.0.0 orders after 2.0.0.0)";
    }
    if (code == "MC203") {
        return v[0] + " has no full stops: the loader cuts its digits from the right, into " + v[1];
    }
    if (code == "MC301") {
        return "RegPath starts with a backslash: the loader opens HKLM\\Software\\" + v[0] +
               ", a doubled backslash that not every Windows reads as one";
    }
    if (code == "MC302") {
        return "RegPath starts with Software\\: the loader reads HKLM\\Software\\" + v[0] +
               ", and installs on every start if the installer records under HKLM\\" + v[0];
    }
    if (code == "MC303") {
        return "Software\\<RegPath> does not fit " + std::to_string(kSubKeyCapacity - 1) +
               " characters: the loader never reads an installed version and installs on "
               "every start";
    }
    if (code == "MC304") {
        return "the version is recorded only in the other view (" + v[0] +
               "-bit): the loader reads the " + v[1] +
               "-bit view, finds nothing and installs on every start";
    }
    if (code == "MC305") {
        return "the installed value " + Quoted(v[0]) +
               " is not a version: the loader installs on this start, and on every start while "
               "the package records this text";
    }
    if (code == "MC306") {
        const NextStart &next = *prediction.next;
        return "after the package has recorded " + Quoted(v[0]) + ", the next start installs " +
               "again (" + DecisionReason(next.decision, prediction.travelling, &next.recorded) +
               "): the loader installs on every start";
    }
    if (code == "MC307") {
        return "the " + v[0] + "-bit view holds " + Quoted(v[1]) + "; the loader reads the " +
               v[2] + "-bit view's " + Quoted(v[3]);
    }
    if (code == "MC401") {
        return "there is no package at " + v[0] +
               ": where installation is due, the loader launches nothing";
    }
    if (code == "MC402") {
        return Quoted(v[0]) + " names a sub-directory, which Windows does not make in the "
                              "temporary directory: nothing is staged and the package runs from "
                              "the medium";
    }
    if (code == "MC403") {
        return Quoted(v[0]) + " leaves the loader's directory: the loader never stages it and "
                              "runs it where it lies";
    }
    if (code == "MC404") {
        return Quoted(v[0]) + " is opened by the program associated with its type, which a "
                              "machine may lack: then nothing is launched";
    }
    return "the package's path does not fit " + PathLimit() +
           ": the loader ends without launching anything";
}

const char *SeverityName(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Info:
        return "info";
    }
    return "";
}

const char *EndName(End end) {
    switch (end) {
    case End::IncompleteDescriptor:
        return "incomplete-descriptor";
    case End::UpToDate:
        return "up-to-date";
    case End::Install:
        return "install";
    }
    return "";
}

const char *StateName(RecordState state) {
    switch (state) {
    case RecordState::Present:
        return "present";
    case RecordState::NoKey:
        return "no-key";
    case RecordState::Unopenable:
        return "unopenable";
    case RecordState::NoValue:
        return "no-value";
    case RecordState::TooLong:
        return "too-long";
    case RecordState::KeyTooLong:
        return "key-too-long";
    case RecordState::NotInstalled:
        return "not-installed";
    }
    return "";
}

const char *PlaceName(Place place) {
    switch (place) {
    case Place::Staging:
        return "staging";
    case Place::Medium:
        return "medium";
    case Place::Nowhere:
        return "nowhere";
    }
    return "";
}

const char *SourceName(RecordSource source) {
    return source == RecordSource::Registry ? "registry" : "given";
}
