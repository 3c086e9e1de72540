// The checks of each group of codes, and how they add a finding.
#pragma once

#include "rules.h"

#include <string>

using Findings = std::vector<Finding>;

// Adds a finding of the rule with this code; the code must be in the table.
void Add(Findings *out, const char *code, const Subject &subject,
         std::vector<std::string> values = {});

// What a finding is about; a subject's other fields stay at none.
Subject OnMedium(const std::string &directory);
Subject OnDescriptor(int line);
Subject OnDescriptorKey(int keyIndex);
Subject OnFile(const std::string &path);
Subject OnRecord(const Record &record);

// ASCII letters in lower case, for the names Windows matches without regard to case.
std::string Lower(std::string text);

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckVersion(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckRegistry(const Observation &observation, const Prediction &prediction, Findings *out);
void CheckPackage(const Observation &observation, const Prediction &prediction, Findings *out);
