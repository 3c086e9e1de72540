// Every finding has a code that keeps its meaning, a severity and one sentence that ties it to
// what the loader does; docs/publishing.md says for each why it matters and how to fix it.
#include "findings.h"
#include "options.h"

#include <paths.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether some line heads a section [autorun]. This only chooses between two messages; what the
// loader reads is the platform reader's answer.
bool HasAutorunSection(const std::string &bytes) {
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        size_t open = line.find_first_not_of(" \t");
        size_t close = line.rfind(']');
        if (open == std::string::npos || line[open] != '[' || close == std::string::npos) {
            continue;
        }
        std::string name = line.substr(open + 1, close - open - 1);
        while (!name.empty() && IsBlank(name.back())) {
            name.pop_back();
        }
        name.erase(0, name.find_first_not_of(" \t"));
        if (Lower(name) == "autorun") {
            return true;
        }
    }
    return false;
}

// The first line holding a byte outside ASCII, counted from 1; 0 when there is none.
int FirstNonAsciiLine(const std::string &bytes) {
    int line = 1;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return line;
        }
        line += c == '\n' ? 1 : 0;
    }
    return 0;
}

bool HasWideField(const VersionReading &version) {
    if (version.normalized.empty()) {
        return true; // a normalised version over 32 characters has fields of ten digits
    }
    std::istringstream fields(version.normalized);
    std::string field;
    while (std::getline(fields, field, '.')) {
        if (field.size() > 4) {
            return true;
        }
    }
    return false;
}

std::string Quoted(const std::string &text) {
    return "'" + text + "'";
}

std::string ViewName(const InstalledReading &reading) {
    return reading.view + "-bit view";
}

void Add(std::vector<Finding> *out, const char *code, Severity severity, const std::string &where,
         const std::string &message) {
    out->push_back(Finding{code, severity, where, message});
}

void CheckDescriptor(const Prediction &prediction, std::vector<Finding> *out) {
    if (int line = FirstNonAsciiLine(prediction.descriptorBytes)) {
        Add(out, "MC105", Severity::Warning, "autorun.inf line " + std::to_string(line),
            "autorun.inf is not plain ASCII: the loader reads it in each machine's ANSI code "
            "page, where the same bytes can name other files and keys");
    }
    if (prediction.descriptorPath.empty()) {
        Add(out, "MC106", Severity::Error, prediction.medium,
            "the path of autorun.inf does not fit " + std::to_string(kPathCapacity - 1) +
                " characters: the loader ends without doing anything");
        return;
    }
    if (!prediction.descriptorFound) {
        Add(out, "MC101", Severity::Error, prediction.medium,
            "there is no autorun.inf beside the loader: it ends without doing anything");
        return;
    }
    const auto fields = DescriptorValues(prediction.descriptor);
    if (!prediction.complete && !HasAutorunSection(prediction.descriptorBytes)) {
        Add(out, "MC102", Severity::Error, "autorun.inf",
            "autorun.inf has no section [autorun]: the loader ends without doing anything");
        return;
    }
    for (int i = 0; i < 3; ++i) {
        std::string where = std::string("autorun.inf [autorun] ") + kDescriptorKeys[i];
        std::string read = fields[i];
        if (read.empty()) {
            Add(out, "MC103", Severity::Error, where,
                std::string(kDescriptorKeys[i]) +
                    " is missing or empty: the loader stops reading there and ends without "
                    "doing anything");
            return;
        }
        if (prediction.wholeValues[i].size() > read.size()) {
            Add(out, "MC104", Severity::Warning, where,
                std::string(kDescriptorKeys[i]) + " has " +
                    std::to_string(prediction.wholeValues[i].size()) +
                    " characters; the loader reads only the first " + std::to_string(read.size()) +
                    ": " + Quoted(read));
        }
    }
}

void CheckVersion(const Prediction &prediction, std::vector<Finding> *out) {
    const VersionReading &version = prediction.travelling;
    const std::string where = "autorun.inf [autorun] Version";
    if (!version.isVersion) {
        Add(out, "MC201", Severity::Error, where,
            Quoted(version.text) +
                " is not a version: the loader installs only where nothing is installed, "
                "and never over any installed version");
        return;
    }
    if (HasWideField(version)) {
        Add(out, "MC202", Severity::Warning, where,
            version.text + " has a field of five digits or more, which orders after every field of "
                           "four digits whatever its value (1.10000.0.0 orders after 2.0.0.0)");
    }
    if (version.text.find('.') == std::string::npos) {
        Add(out, "MC203", Severity::Info, where,
            version.text + " has no full stops: the loader cuts its digits from the right, " +
                "into " + version.normalized);
    }
}

void CheckRegistry(const Prediction &prediction, std::vector<Finding> *out) {
    const std::string regPath = prediction.descriptor.RegPath;
    const std::string where = "autorun.inf [autorun] RegPath";
    if (regPath[0] == '\\') {
        Add(out, "MC301", Severity::Warning, where,
            "RegPath starts with a backslash: the loader opens HKLM\\Software\\" + regPath +
                ", a doubled backslash that not every Windows reads as one");
    }
    if (Lower(regPath.substr(0, 9)) == "software\\") {
        Add(out, "MC302", Severity::Warning, where,
            "RegPath starts with Software\\: the loader reads HKLM\\Software\\" + regPath +
                ", and installs on every start if the installer records under HKLM\\" + regPath);
    }
    const InstalledReading &installed = *prediction.installed;
    if (installed.state == RecordState::KeyTooLong) {
        Add(out, "MC303", Severity::Error, where,
            "Software\\<RegPath> does not fit " + std::to_string(kSubKeyCapacity - 1) +
                " characters: the loader never reads an installed version and installs on "
                "every start");
    }
    if (prediction.otherView && prediction.otherView->state == RecordState::Present) {
        const InstalledReading &other = *prediction.otherView;
        if (installed.state == RecordState::NoKey || installed.state == RecordState::NoValue) {
            Add(out, "MC304", Severity::Error, other.key + " (" + ViewName(other) + ")",
                "the version is recorded only in the other view (" + other.view +
                    "-bit): the loader reads the " + ViewName(installed) +
                    ", finds nothing and installs on every start");
        } else if (installed.state == RecordState::Present && installed.stored != other.stored) {
            Add(out, "MC307", Severity::Info, other.key + " (" + ViewName(other) + ")",
                "the " + ViewName(other) + " holds " + Quoted(other.stored) +
                    "; the loader reads the " + ViewName(installed) + "'s " +
                    Quoted(installed.stored));
        }
    }
    if (installed.read && !installed.version.isVersion && prediction.decision.end == End::Install &&
        !prediction.next) {
        Add(out, "MC305", Severity::Warning, installed.key,
            "the installed value " + Quoted(installed.stored) +
                " is not a version: the loader installs on this start, and on every start "
                "while the package records this text");
    }
    if (prediction.next && prediction.next->decision.end == End::Install) {
        Add(out, "MC306", Severity::Error, installed.key,
            "after the package has recorded " + Quoted(prediction.next->recorded.stored) +
                ", the next start installs again (" + prediction.next->decision.reason +
                "): the loader installs on every start");
    }
}

void CheckPackage(const Prediction &prediction, std::vector<Finding> *out) {
    const Placement &placement = *prediction.placement;
    const std::string name = prediction.descriptor.RuntimePackage;
    const std::string where = "autorun.inf [autorun] RuntimePackage";
    if (placement.path.empty()) {
        Add(out, "MC405", Severity::Error, where,
            "the package's path does not fit " + std::to_string(kPathCapacity - 1) +
                " characters: the loader ends without launching anything");
        return;
    }
    if (placement.package == Presence::Missing) {
        Add(out, "MC401", Severity::Error, placement.path,
            "there is no package at " + placement.path +
                ": where installation is due, the loader launches nothing");
    }
    if (!IsNameBelowDirectory(name.c_str())) {
        Add(out, "MC403", Severity::Warning, where,
            Quoted(name) + " leaves the loader's directory: the loader never stages it and "
                           "runs it where it lies");
    } else if (name.find_first_of("\\/") != std::string::npos) {
        Add(out, "MC402", Severity::Warning, where,
            Quoted(name) + " names a sub-directory, which Windows does not make in the "
                           "temporary directory: nothing is staged and the package runs from "
                           "the medium");
    }
    size_t slash = name.find_last_of("\\/");
    std::string last = name.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = last.rfind('.');
    std::string extension = dot == std::string::npos ? "" : Lower(last.substr(dot));
    if (extension != ".exe" && extension != ".msi") {
        Add(out, "MC404", Severity::Warning, where,
            Quoted(last) + " is opened by the program associated with its type, which a "
                           "machine may lack: then nothing is launched");
    }
}

} // namespace

std::vector<Finding> CollectFindings(const Prediction &prediction) {
    std::vector<Finding> findings;
    CheckDescriptor(prediction, &findings);
    if (prediction.complete) {
        CheckVersion(prediction, &findings);
        CheckRegistry(prediction, &findings);
        CheckPackage(prediction, &findings);
    }
    return findings;
}

int ExitStatus(const std::vector<Finding> &findings, bool strict) {
    bool failing = std::any_of(findings.begin(), findings.end(), [&](const Finding &finding) {
        return finding.severity == Severity::Error ||
               (strict && finding.severity == Severity::Warning);
    });
    return failing ? kExitError : kExitWorks;
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
