// A message is filled in from its row: %N is value N, %N{...} the words its choice gives value N,
// %next the reason the next start gives.
#include "message.h"
#include "reasons.h"

#include <loader.h>

namespace {

// The words a choice gives a value of a described enumeration: its own words for "{Type}", or
// those after "name:" of the alternative that names it. The catalog's checks make sure there is
// one.
std::string Chosen(const std::string &choice, const FindingValue &value) {
    if (choice.find(':') == std::string::npos) {
        return value.words;
    }
    for (size_t start = 0; start <= choice.size();) {
        size_t end = choice.find('|', start);
        end = end == std::string::npos ? choice.size() : end;
        const size_t colon = choice.find(':', start);
        if (choice.compare(start, colon - start, value.text) == 0) {
            return choice.substr(colon + 1, end - colon - 1);
        }
        start = end + 1;
    }
    return "";
}

std::string NextReason(const Prediction &prediction) {
    if (!prediction.next) {
        return "";
    }
    return DecisionReason(prediction.next->decision, prediction.travelling,
                          &prediction.next->recorded);
}

// A format filled in: %N is value N, %N{...} the words its choice gives value N (themselves filled
// in), %next the next start's reason.
std::string Fill(const std::string &format, const Finding &finding, const Prediction &prediction) {
    std::string text;
    for (size_t at = 0; at < format.size(); ++at) {
        if (format[at] != '%') {
            text += format[at];
        } else if (format.compare(at + 1, 4, "next") == 0) {
            text += NextReason(prediction);
            at += 4;
        } else {
            const FindingValue &value = finding.values.at(static_cast<size_t>(format[++at] - '0'));
            if (format.compare(at + 1, 1, "{") != 0) {
                text += value.text;
                continue;
            }
            const size_t close = format.find('}', at);
            text += Fill(Chosen(format.substr(at + 2, close - at - 2), value), finding, prediction);
            at = close;
        }
    }
    return text;
}

} // namespace

std::string MessageText(const Finding &finding, const Prediction &prediction) {
    return Fill(RuleOf(finding.rule).message, finding, prediction);
}

std::string PlainText(const char *markdown) {
    std::string text;
    for (const char *c = markdown; *c != '\0'; ++c) {
        if (*c != '`') {
            text += *c;
        }
    }
    return text;
}

std::string WhereText(const Subject &subject) {
    switch (subject.kind) {
    case SubjectKind::DescriptorKey:
        return std::string(kDescriptorName) + " [" + kDescriptorSection + "] " + subject.name;
    case SubjectKind::RegistryKey:
        return RegistryKeyText(subject.name, subject.view);
    case SubjectKind::Descriptor:
    case SubjectKind::Medium:
    case SubjectKind::File:
        break;
    }
    return subject.name;
}

std::string LocationText(const Subject &subject, const Observation &observation) {
    if (subject.file.empty()) {
        return WhereText(subject);
    }
    const std::string &medium = observation.mediumShown;
    // A file inside a medium that is one file (a disc image) is named after it as a compiler names
    // an archive member.
    const char *separator = observation.mediumIsFile ? ":" : "/";
    std::string location =
        medium.empty() || medium == "." ? subject.file : medium + separator + subject.file;
    if (subject.line != 0) {
        location += ":" + std::to_string(subject.line) + ":" + std::to_string(subject.column);
    }
    return location;
}
