// The report for a person: one aligned line per value and decision, then one line per finding
// in the compilers' form (where: severity: sentence [code]).
#include "findings.h"
#include "report.h"

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

std::string Where(const InstalledReading &reading) {
    return reading.key + (reading.view.empty() ? "" : " (" + reading.view + "-bit view)");
}

// Why nothing was read, in words.
const char *Unread(RecordState state) {
    switch (state) {
    case RecordState::NotInstalled:
        return "nothing installed";
    case RecordState::NoKey:
        return "no such key";
    case RecordState::Unopenable:
        return "the key cannot be opened";
    case RecordState::NoValue:
        return "no value Version";
    case RecordState::TooLong:
        return "the value is longer than the loader reads";
    case RecordState::KeyTooLong:
        return "the key's name is longer than the loader opens";
    case RecordState::Present:
        break;
    }
    return "not read";
}

std::string Installed(const InstalledReading &reading) {
    if (reading.read) {
        return Version(reading.version) + ", at " + Where(reading);
    }
    return "none at " + Where(reading) + ": " + Unread(reading.state);
}

std::string DecisionText(const Decision &decision) {
    const char *action = decision.end == End::Install    ? "install"
                         : decision.end == End::UpToDate ? "nothing, up to date"
                                                         : "nothing, descriptor incomplete";
    return std::string(action) + ": " + decision.reason;
}

std::string Launch(const Prediction &prediction) {
    const Placement &placement = *prediction.placement;
    std::string where = placement.place == Place::Nowhere ? "nothing is launched"
                        : placement.place == Place::Staging
                            ? "runs from " + placement.path
                            : "runs in place from " + placement.path;
    std::string text = where + ": " + placement.reason;
    return prediction.decision.end == End::Install ? text : "not on this start; when due, " + text;
}

std::string Count(size_t count, const char *noun, const char *plural) {
    return std::to_string(count) + " " + (count == 1 ? noun : plural);
}

} // namespace

void PrintText(std::ostream &out, const Prediction &prediction,
               const std::vector<Finding> &findings) {
    Line(out, "Medium",
         prediction.medium == prediction.programDirectory
             ? prediction.medium
             : prediction.medium + ", as the loader's directory " + prediction.programDirectory);
    const auto fields = DescriptorValues(prediction.descriptor);
    for (int i = 0; i < 3; ++i) {
        std::string value = fields[i][0] == '\0' ? "(not read)" : fields[i];
        if (i == 2 && fields[i][0] != '\0') {
            value = Version(prediction.travelling);
        }
        Line(out, kDescriptorKeys[i], value);
    }
    if (prediction.installed) {
        Line(out, "Installed", Installed(*prediction.installed));
    }
    if (prediction.otherView) {
        Line(out, "Other view", Installed(*prediction.otherView));
    }
    Line(out, "Decision", DecisionText(prediction.decision));
    if (prediction.placement) {
        Line(out, "Package", Launch(prediction));
    }
    if (prediction.next) {
        Line(out, "Next start",
             DecisionText(prediction.next->decision) + " (the package records '" +
                 prediction.next->recorded.stored + "')");
    } else if (prediction.recordsGiven && prediction.complete) {
        Line(out, "Next start", "as this one: the package does not run on this start");
    }

    out << "\n";
    size_t counts[3] = {0, 0, 0};
    for (const Finding &finding : findings) {
        out << finding.where << ": " << SeverityName(finding.severity) << ": " << finding.message
            << " [" << finding.code << "]\n";
        ++counts[static_cast<int>(finding.severity)];
    }
    if (findings.empty()) {
        out << "no findings\n";
    } else {
        out << Count(counts[0], "error", "errors") << ", "
            << Count(counts[1], "warning", "warnings") << ", " << Count(counts[2], "info", "info")
            << "\n";
    }
}
