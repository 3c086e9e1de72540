// The report for a person: one aligned line per value and decision, then one line per finding
// in the compilers' form (file:line:column: severity: sentence [code]).
#include "message.h"
#include "reasons.h"
#include "report.h"

#include <algorithm>
#include <iomanip>

namespace {

const int kLabelWidth = 16;

void Line(std::ostream &out, const char *label, const std::string &text) {
    out << std::left << std::setw(kLabelWidth) << label << text << "\n";
}

std::string Version(const VersionReading &version) {
    if (!version.isVersion) {
        return "'" + version.text + "', not a version";
    }
    return version.text + ", normalised " +
           (version.normalized.empty() ? "to over 32 characters" : version.normalized);
}

std::string Installed(const Reading &reading) {
    const Record &record = reading.record;
    const std::string key = RegistryKeyText(record.regPath, record.view);
    if (record.read) {
        return Version(reading.version) + ", at " + key;
    }
    return "none at " + key + ": " + NotRead(record);
}

std::string DecisionText(const Decision &decision, const VersionReading &travelling,
                         const Reading *reading) {
    return std::string(WordsOf(decision.end)) + ": " +
           DecisionReason(decision, travelling, reading);
}

std::string Launch(const Prediction &prediction) {
    const PackageLaunch &launch = *prediction.launch;
    std::string where = WordsOf(launch.site);
    where += launch.site == LaunchSite::Nowhere ? "" : " " + launch.path;
    std::string text = where + ": " + LaunchReason(launch);
    return prediction.decision.end == End::Install ? text : "not on this start; when due, " + text;
}

std::string Count(size_t count, const char *noun, const char *plural) {
    return std::to_string(count) + " " + (count == 1 ? noun : plural);
}

// A signature's verdict, the signer and the time-stamp.
std::string SignatureText(const Signature &signature) {
    const std::string by = "by " + signature.signer;
    switch (signature.state) {
    case SignatureState::NotChecked:
        return "not checked: " + signature.detail;
    case SignatureState::Unsigned:
        return "unsigned";
    case SignatureState::BadDigest:
        return "does not match the file: " + signature.detail;
    case SignatureState::Expired:
        return "not accepted, " + by + ", a certificate valid from " + signature.validFrom +
               " to " + signature.validTo + ", " +
               (signature.timestamp.empty() ? "no time-stamp"
                                            : "time-stamped " + signature.timestamp);
    case SignatureState::Revoked:
        return "not accepted, " + by + ", a certificate revoked";
    case SignatureState::WrongUsage:
        return "not accepted, " + by + ", a certificate not for code signing";
    case SignatureState::Distrusted:
        return "not accepted, " + by + ", a certificate this machine distrusts";
    case SignatureState::NotAccepted:
        return "not accepted: WinVerifyTrust answered " + AnswerCode(signature);
    case SignatureState::Untrusted:
    case SignatureState::Verified:
        break;
    }
    return std::string(signature.state == SignatureState::Untrusted ? "untrusted root, "
                                                                    : "signed, ") +
           by + ", " +
           (signature.timestamp.empty() ? "no time-stamp" : "time-stamped " + signature.timestamp);
}

// Which names of the image Windows reads, and which it carries.
std::string ImageText(const MediumNaming &image) {
    std::string carries;
    for (FileSystem system : image.present) {
        carries += (carries.empty() ? "" : ", ") + std::string(WordsOf(system));
    }
    carries = carries.empty() ? "no file system" : carries;
    if (!image.read) {
        return "a disc image Windows cannot read (" + carries + ")";
    }
    return std::string("a disc image, read by its ") + WordsOf(*image.read) +
           " names as Windows reads them (it carries " + carries + ")";
}

} // namespace

void PrintText(std::ostream &out, const Observation &observation, const Prediction &prediction,
               const std::vector<Finding> &findings) {
    Line(out, "Medium",
         observation.medium == observation.programDirectory
             ? observation.medium
             : observation.medium + ", as the loader's directory " + observation.programDirectory);
    if (observation.naming) {
        Line(out, "Image", ImageText(*observation.naming));
    }
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        std::string value = observation.descriptor.texts[key];
        value = value.empty()        ? "(not read)"
                : key == kVersionKey ? Version(prediction.travelling)
                                     : value;
        Line(out, kDescriptorKeys[key], value);
    }
    const Reading *installed = prediction.installed ? &*prediction.installed : nullptr;
    if (installed) {
        Line(out, "Installed", Installed(*installed));
    }
    if (prediction.otherView) {
        Line(out, "Other view", Installed(*prediction.otherView));
    }
    Line(out, "Decision", DecisionText(prediction.decision, prediction.travelling, installed));
    if (prediction.launch) {
        Line(out, "Package", Launch(prediction));
    }
    if (prediction.next) {
        const NextStart &next = *prediction.next;
        const std::string recorded =
            !prediction.failures.empty()
                ? std::string(" (the install fails: ") + WordsOf(prediction.failures.front()) + ")"
            : next.recorded.record.read
                ? " (the package records '" + next.recorded.record.stored + "')"
                : "";
        Line(out, "Next start",
             DecisionText(next.decision, prediction.travelling, &next.recorded) + recorded);
    } else if (prediction.nextUnknown) {
        Line(out, "Next start", std::string("not known: ") + kNextUnknown);
    } else if (prediction.recordsGiven) {
        Line(out, "Next start", "as this one: the package does not run on this start");
    }
    for (const Signature &signature : observation.signatures) {
        Line(out, "Signature", signature.file + ": " + SignatureText(signature));
    }

    out << "\n";
    for (const Finding &finding : findings) {
        const Rule &rule = RuleOf(finding.rule);
        out << LocationText(finding.subject, observation) << ": " << NameOf(rule.severity) << ": "
            << MessageText(finding, prediction) << " [" << rule.code << "]\n";
    }
    const auto counted = [&](Severity severity) {
        return static_cast<size_t>(
            std::count_if(findings.begin(), findings.end(), [&](const Finding &finding) {
                return RuleOf(finding.rule).severity == severity;
            }));
    };
    if (findings.empty()) {
        out << "no findings\n";
    } else {
        out << Count(counted(Severity::Error), "error", "errors") << ", "
            << Count(counted(Severity::Warning), "warning", "warnings") << ", "
            << Count(counted(Severity::Info), "info", "info") << "\n";
    }
}

void PrintRules(std::ostream &out) {
    for (const Rule &rule : kRules) {
        out << rule.code << "\t" << NameOf(rule.severity) << "\t" << PlainText(rule.title) << "\t"
            << PlainText(rule.help) << "\n";
    }
}
