// A message is filled in from its row: %N is value N, %N{a|b|c} the word value N picks, %next
// the reason the next start gives.
#include "message.h"
#include "reasons.h"

#include <loader.h>

#include <cstring>

namespace {

// The word a choice picks: "{a|b|c}" with 1 gives "b"; c stands on the '{' and is left on the '}'.
std::string Chosen(const char *&c, int pick) {
    std::string word;
    for (int index = 0; *++c != '}';) {
        if (*c == '|') {
            ++index;
        } else if (index == pick) {
            word += *c;
        }
    }
    return word;
}

std::string NextReason(const Prediction &prediction) {
    if (!prediction.next) {
        return "";
    }
    return DecisionReason(prediction.next->decision, prediction.travelling,
                          &prediction.next->recorded);
}

} // namespace

std::string MessageText(const Finding &finding, const Prediction &prediction) {
    std::string text;
    for (const char *c = RuleOf(finding.rule).message; *c != '\0'; ++c) {
        if (*c != '%') {
            text += *c;
        } else if (std::strncmp(c + 1, "next", 4) == 0) {
            text += NextReason(prediction);
            c += 4;
        } else {
            const std::string &value = finding.values.at(static_cast<size_t>(*++c - '0'));
            text += c[1] == '{' ? Chosen(++c, std::stoi(value)) : value;
        }
    }
    return text;
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
