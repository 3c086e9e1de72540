// The words: each sentence ties a value or a finding to what the loader does with it.
#include "wording.h"

#include <loader.h>

#include <cstring>
#include <map>

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

namespace {

const char kEveryStart[] = ": the loader installs on every start";

std::string RuntimePackageMessage(const std::string &code, const std::vector<std::string> &v) {
    if (code == "MC601") {
        return "Registry row " + Quoted(v[0]) + " writes " + v[1] + " into the " + v[2] +
               "-bit view (its component is " + (v[2] == "64" ? "" : "not ") +
               "64-bit); the loader reads the " + v[3] + "-bit view, finds nothing" + kEveryStart;
    }
    if (code == "MC602") {
        return "Registry row " + Quoted(v[0]) + " writes " + v[1] +
               ", which the loader does not read: it reads HKLM\\Software\\<RegPath> value "
               "Version, finds nothing" +
               kEveryStart;
    }
    if (code == "MC603") {
        return "Registry row " + Quoted(v[0]) + " records " + Quoted(v[1]) +
               ", which does not order at or after the medium's Version" + kEveryStart;
    }
    if (code == "MC604") {
        return std::string("no Registry row writes HKLM\\Software\\<RegPath> value Version, and "
                           "no custom action could: the loader finds nothing after the "
                           "install") +
               kEveryStart;
    }
    if (code == "MC605") {
        return "no Registry row writes HKLM\\Software\\<RegPath> value Version; only a custom "
               "action (" +
               Quoted(v[0]) + ") could, which this check cannot follow";
    }
    if (code == "MC606") {
        return "Registry row " + Quoted(v[0]) + " is written only when its component's condition " +
               Quoted(v[1]) + " holds; where it does not, the loader installs on every start";
    }
    if (code == "MC607") {
        return "the MSI's ProductVersion " + Quoted(v[0]) + " and the medium's Version " + v[1] +
               " do not order alike: one of them is not the runtime's version";
    }
    if (code == "MC608") {
        return "the package targets " + v[0] +
               ": on 32-bit Windows it does not run, and the loader launches it on every start";
    }
    if (code == "MC609") {
        return "the program's version resource says " + v[0] + ", the medium's Version " + v[1] +
               ": check that the package is the runtime this medium names";
    }
    if (code == "MC610") {
        return "the package cannot be read as what its name says (" + v[0] +
               "): Windows cannot open it, and nothing is installed";
    }
    if (code == "MC611") {
        return "ALLUSERS is 2: Registry row " + Quoted(v[0]) +
               " goes to HKLM for an administrator and to the user's hive otherwise, where the "
               "loader does not read";
    }
    return "--records gives " + Quoted(v[0]) + ", the MSI records " + Quoted(v[1]) +
           ": the prediction follows --records";
}

} // namespace

std::string RecordKey(const Record &record) {
    return "HKLM\\Software\\" + record.regPath;
}

std::string ViewName(int view) {
    return view == 0 ? "" : std::to_string(view);
}

std::string WhereText(const Subject &subject) {
    switch (subject.kind) {
    case SubjectKind::DescriptorKey:
        return std::string("autorun.inf [") + kDescriptorSection + "] " + subject.name;
    case SubjectKind::RegistryKey:
        return "HKLM\\Software\\" + subject.name + ViewSuffix(subject.view);
    case SubjectKind::Descriptor:
    case SubjectKind::Medium:
    case SubjectKind::File:
        break;
    }
    return subject.name;
}

std::string PlaceText(const Subject &subject, const Observation &observation) {
    if (subject.file.empty()) {
        return WhereText(subject);
    }
    const std::string &medium = observation.mediumShown;
    std::string place =
        medium.empty() || medium == "." ? subject.file : medium + "/" + subject.file;
    if (subject.line != 0) {
        place += ":" + std::to_string(subject.line) + ":" + std::to_string(subject.column);
    }
    return place;
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
    if (code == "MC501") {
        return v[0] + " is not signed: SmartScreen and the elevation prompt show it as from an "
                      "unknown publisher";
    }
    if (code == "MC502") {
        return v[0] + " is signed, but the signature does not match the file (" + v[1] +
               "): it was changed after signing, or is damaged, and Windows refuses or warns";
    }
    if (code == "MC503") {
        return v[0] + " is signed by " + v[1] +
               " without a time-stamp: the signature stops being valid when the certificate "
               "expires";
    }
    if (code == "MC504") {
        return v[0] + " is signed by " + v[1] +
               ", whose chain ends in a root this machine does not trust: Windows shows the "
               "publisher as unknown wherever that root is not installed";
    }
    if (code == "MC505") {
        return "the signature of " + v[0] + " was not checked: " + v[1];
    }
    if (code.compare(0, 3, "MC6") == 0) {
        return RuntimePackageMessage(code, v);
    }
    return "the package's path does not fit " + PathLimit() +
           ": the loader ends without launching anything";
}

std::string SignatureText(const Signature &signature) {
    switch (signature.state) {
    case SignatureState::NotChecked:
        return "not checked: " + signature.detail;
    case SignatureState::Unsigned:
        return "unsigned";
    case SignatureState::BadDigest:
        return "does not match the file: " + signature.detail;
    case SignatureState::Untrusted:
    case SignatureState::Verified:
        break;
    }
    return std::string(signature.state == SignatureState::Untrusted ? "untrusted root, "
                                                                    : "signed, ") +
           "by " + signature.signer + ", " +
           (signature.timestamp.empty() ? "no time-stamp" : "time-stamped " + signature.timestamp);
}

const char *SignatureStateName(SignatureState state) {
    switch (state) {
    case SignatureState::NotChecked:
        return "not-checked";
    case SignatureState::Unsigned:
        return "unsigned";
    case SignatureState::BadDigest:
        return "bad-digest";
    case SignatureState::Untrusted:
        return "untrusted-root";
    case SignatureState::Verified:
        break;
    }
    return "verified";
}

std::string RuleHelp(const Rule &rule) {
    static const std::map<std::string, std::string> help = {
        {"MC101",
         "The loader ends without doing anything. Put autorun.inf in the loader's directory."},
        {"MC102", "The loader reads only that section and ends without doing anything. Head the "
                  "values with [autorun]."},
        {"MC103",
         "The loader stops at the first missing value and does nothing. Give all three values."},
        {"MC104", "Version is cut to 31 characters, RuntimePackage and RegPath to 259, and the cut "
                  "text is used. Shorten the value."},
        {"MC105", "Each machine reads the bytes in its own ANSI code page, so names and keys can "
                  "differ between machines. Use ASCII names."},
        {"MC106", "The loader ends without doing anything. Put the medium in a shorter directory."},
        {"MC107", "Windows reads the mark as three characters of line 1, so [autorun] there is not "
                  "a section header: the loader does nothing. Wine skips the mark, so a test under "
                  "Wine does not show it. Save autorun.inf as ANSI or as UTF-8 without a mark."},
        {"MC108",
         "Windows reads only UTF-16 little-endian (Notepad's \"Unicode\") as Unicode; a big-endian "
         "file is read as bytes and no section is found: the loader does nothing. Wine reads it, "
         "so a test under Wine does not show it. Save it as ANSI."},
        {"MC109", "Windows reads it and converts it to each machine's ANSI code page; a character "
                  "outside that code page becomes ? (or its nearest letter), so names and keys may "
                  "differ between machines. ASCII names are safe."},
        {"MC201",
         "A version under 7 characters (1.0, 2.1.5), with four full stops, or of digits that "
         "cannot be cut, orders before every version: the loader installs where nothing is "
         "recorded and never over anything recorded. Write four fields: 2.1.5.0."},
        {"MC202", "Such a field orders after every field of four digits: 1.10000.0.0 orders after "
                  "2.0.0.0. Keep fields below 10000."},
        {"MC203", "8 to 10 digits are cut from the right (21000005 is 2.1.0.5). Check that the cut "
                  "is what you mean, or write the full stops."},
        {"MC301",
         "The loader opens HKLM\\Software\\\\...; write RegPath without the leading backslash."},
        {"MC302", "The loader adds Software\\ itself and reads HKLM\\Software\\Software\\...; an "
                  "installer that records under HKLM\\Software\\... is never seen and the loader "
                  "installs on every start. Drop Software\\."},
        {"MC303", "The loader never reads an installed version and installs on every start. "
                  "Shorten RegPath."},
        {"MC304", "The loader reads its own view, finds nothing and installs on every start. Make "
                  "the installer record in the 32-bit view."},
        {"MC305", "The loader installs now, and on every start while the installer records this "
                  "text. Make the installer record the medium's version text."},
        {"MC306", "What the installer records (--records) does not order at or after the medium's "
                  "Version: the loader installs on every start. Record the same version text."},
        {"MC307", "The loader reads only its own view; the other value plays no part. Check which "
                  "installer wrote it."},
        {"MC401", "Where installation is due the copy and the launch fail: nothing is installed. "
                  "Put the installer on the medium under the name RuntimePackage gives."},
        {"MC402", "The staging copy needs the same sub-directory in the temporary directory, which "
                  "Windows does not make, so the package runs from the medium and is never staged. "
                  "Put the installer beside the loader."},
        {"MC403", "An absolute name, a drive or .. is never staged: the package runs where it "
                  "lies, and must be there on every machine. Put the installer beside the loader."},
        {"MC404", "Anything but .exe and .msi is opened by the program associated with its type, "
                  "which a machine may lack; then nothing runs. Ship an .exe or an .msi."},
        {"MC405", "The loader ends without launching anything. Shorten RuntimePackage or the "
                  "medium's directory."},
        {"MC501", "SmartScreen and the elevation prompt show loader.exe or the package as from an "
                  "unknown publisher. Sign it with your code-signing certificate."},
        {"MC502", "The file was changed after signing, or is damaged: Windows refuses it or warns. "
                  "Sign the final file again, and change nothing after."},
        {"MC503", "The signature stops being valid when the certificate expires. Sign with a "
                  "time-stamp (--timestamp)."},
        {"MC504", "On the Windows machine checked, the signer's chain does not reach a trusted "
                  "root: Windows shows the publisher as unknown where that root is not installed. "
                  "Sign with a certificate from a public authority."},
        {"MC505", "No verifier on this machine (osslsigncode on the build machine). Install it, or "
                  "check on Windows."},
    };
    auto found = help.find(rule.code);
    return found == help.end() ? std::string(rule.title) + "." : found->second;
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
    return source == RecordSource::Registry ? "registry"
           : source == RecordSource::Given  ? "given"
                                            : "package";
}
