// The checks of each group of codes, and how they add a finding.
#pragma once

#include "rules.h"

#include <string>

using Findings = std::vector<Finding>;

// Adds a finding of the rule with this code; the code must be in the table.
void Add(Findings *out, const char *code, const Subject &subject,
         std::vector<std::string> values = {});

Subject OnDescriptorKey(int keyIndex);

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckVersion(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckRegistry(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckRuntimePackage(const Observation &observation, const Prediction &prediction,
                         Findings *out);
void CheckPackage(const Observation &observation, const Prediction &prediction, Findings *out);
