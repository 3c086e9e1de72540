// The checks of each group of codes, and how they add a finding.
#pragma once

#include "rules.h"

#include <string>

using Findings = std::vector<Finding>;

// Adds a finding of the rule with this code; the code must be in the table.
void Add(Findings *out, const char *code, const Subject &subject,
         std::vector<std::string> values = {});

// A value of autorun.inf, where the reader found it; where it did not, the section's header.
Subject OnDescriptorKey(const DescriptorFile &descriptor, int keyIndex);
// autorun.inf at a place; line 1 when there is none.
Subject OnDescriptor(const DescriptorFile &descriptor, TextPosition at = TextPosition{1, 1});
// A file on the medium, by its name there; a name that leaves the medium is no place on it.
Subject OnFile(const std::string &name, const std::string &shown);
// The medium's directory, and a registry key in its view.
Subject OnMedium(const std::string &directory);
Subject OnRecord(const Record &record);

// ASCII letters in lower case, for the names Windows matches without regard to case.
std::string Lower(std::string text);

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckVersion(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckRegistry(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckRuntimePackage(const Observation &observation, const Prediction &prediction,
                         Findings *out);
void CheckPackage(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckSignatures(const Observation &observation, const Prediction &prediction, Findings *out);
