// A message is filled in from its row: %N is value N, %N{a|b|c} the word value N picks, %next
// the reason the next start gives.
#include "message.h"
#include "reasons.h"

#include <loader.h>

namespace {

// The word of a choice's words ("a|b|c") that pick numbers from 0.
std::string Chosen(const std::string &words, int pick) {
    size_t start = 0;
    for (int index = 0; index < pick && start != std::string::npos; ++index) {
        start = words.find('|', start);
        start = start == std::string::npos ? start : start + 1;
    }
    return start == std::string::npos ? "" : words.substr(start, words.find('|', start) - start);
}

std::string NextReason(const Prediction &prediction) {
    if (!prediction.next) {
        return "";
    }
    return DecisionReason(prediction.next->decision, prediction.travelling,
                          &prediction.next->recorded);
}

// A format filled in: %N is value N, %N{a|b} the word value N picks (itself filled in), %next the
// next start's reason.
std::string Fill(const std::string &format, const Finding &finding, const Prediction &prediction) {
    std::string text;
    for (size_t at = 0; at < format.size(); ++at) {
        if (format[at] != '%') {
            text += format[at];
        } else if (format.compare(at + 1, 4, "next") == 0) {
            text += NextReason(prediction);
            at += 4;
        } else {
            const std::string &value = finding.values.at(static_cast<size_t>(format[++at] - '0'));
            if (format.compare(at + 1, 1, "{") != 0) {
                text += value;
                continue;
            }
            const size_t close = format.find('}', at);
            text += Fill(Chosen(format.substr(at + 2, close - at - 2), std::stoi(value)), finding,
                         prediction);
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
    // A file inside a disc image is named after the image as a compiler names an archive member.
    const char *separator = observation.image ? ":" : "/";
    std::string location =
        medium.empty() || medium == "." ? subject.file : medium + separator + subject.file;
    if (subject.line != 0) {
        location += ":" + std::to_string(subject.line) + ":" + std::to_string(subject.column);
    }
    return location;
}
