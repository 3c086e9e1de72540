// The checks of each group of codes, and how they add a finding.
#pragma once

#include "rules.h"

#include <string>
#include <type_traits>

using Findings = std::vector<Finding>;

inline FindingValue ValueOf(const std::string &text) {
    return FindingValue{text, ""};
}

template <typename Value> FindingValue ValueOf(Value value) {
    if constexpr (IsDescribed<Value>()) {
        return FindingValue{NameOf(value), WordsOf(value)};
    } else {
        static_assert(std::is_arithmetic_v<Value>, "a message quotes texts, numbers and "
                                                   "described enumerations");
        return FindingValue{std::to_string(value), ""};
    }
}

// Adds a finding of the rule id, with exactly the values its message takes, each of the type its
// places take.
template <RuleId id, typename... Values>
void Add(Findings *out, const Subject &subject, const Values &...values) {
    static_assert(ValuesFit<Values...>(RuleOf(id).message),
                  "the values given are not the ones the rule's message takes");
    out->push_back(Finding{id, subject, {ValueOf(values)...}});
}

// A value of autorun.inf, where the reader found it; where it did not, the section's header.
Subject OnDescriptorKey(const DescriptorFile &descriptor, int key);
// autorun.inf at a position; line 1 when there is none.
Subject OnDescriptor(const DescriptorFile &descriptor, TextPosition at = TextPosition{1, 1});
// A file on the medium, by its name there; a name that leaves the medium is no position on it.
Subject OnFile(const std::string &name, const std::string &shown);
// The package's file, by its name on the medium, shown as the loader names it.
Subject OnPackageFile(const Observation &observation, const std::string &shown);
// The medium's directory, and a registry key in its view.
Subject OnMedium(const std::string &directory);
Subject OnRecord(const Record &record);

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckVersion(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckRegistry(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckRuntimePackage(const Observation &observation, const Prediction &prediction,
                         Findings *out);
void CheckPackage(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckSignatures(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckImage(const Observation &observation, const Prediction &prediction, Findings *out);
