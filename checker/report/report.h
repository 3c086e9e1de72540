// The formatters of what was observed, predicted and found: aligned text for a person, JSON (with
// a schema in docs/medium-check.schema.json) and SARIF 2.1.0 for a pipeline, and the rules table.
#pragma once

#include "../model/finding.h"
#include "../model/observation.h"
#include "../model/prediction.h"

#include <ostream>
#include <vector>

void PrintText(std::ostream &out, const Observation &observation, const Prediction &prediction,
               const std::vector<Finding> &findings);
void PrintJson(std::ostream &out, const Observation &observation, const Prediction &prediction,
               const std::vector<Finding> &findings, int exitStatus);
// One run of the checker: the catalog's rules as the tool's rules, each finding a result located
// in the medium.
void PrintSarif(std::ostream &out, const Observation &observation, const Prediction &prediction,
                const std::vector<Finding> &findings);

// The catalog, one line per rule: code, severity, title and help as plain text, between tabs.
void PrintRules(std::ostream &out);
// The catalog as JSON: every column of every row, title and help in their Markdown.
void PrintRulesJson(std::ostream &out);
// The catalog as the publisher's guide gives it: a Markdown table, a row per rule with its anchor.
void PrintRulesMarkdown(std::ostream &out);
