// The formatters of what was observed, predicted and found: aligned text for a person, JSON (with
// a schema in docs/medium-check.schema.json) for a pipeline, and the rules table.
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

// One line per rule: code, severity and title, separated by tabs.
void PrintRules(std::ostream &out, const std::vector<Rule> &rules);
