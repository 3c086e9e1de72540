// The formatters of what was observed, predicted and found: aligned text for a person, JSON (with
// a schema in docs/medium-check.schema.json) and SARIF 2.1.0 for a pipeline, and the rules table.
#pragma once

#include "../model/finding.h"
#include "../model/observation.h"
#include "../model/prediction.h"

#include <ostream>
#include <vector>

// The report's forms.
enum class Format { Text, Json, Sarif };

// The report in the form asked for.
void PrintReport(std::ostream &out, Format format, const Observation &observation,
                 const Prediction &prediction, const std::vector<Finding> &findings,
                 int exitStatus);

void PrintText(std::ostream &out, const Observation &observation, const Prediction &prediction,
               const std::vector<Finding> &findings);
void PrintJson(std::ostream &out, const Observation &observation, const Prediction &prediction,
               const std::vector<Finding> &findings, int exitStatus);
// One run of the checker: the rules table as the tool's rules, each finding a result located in
// the medium.
void PrintSarif(std::ostream &out, const Observation &observation, const Prediction &prediction,
                const std::vector<Finding> &findings, const std::vector<Rule> &rules);

// One line per rule: code, severity and title, separated by tabs.
void PrintRules(std::ostream &out, const std::vector<Rule> &rules);
