// The findings: one table of every rule, and the checks that draw findings from what was observed
// and predicted, one file per group of codes.
#pragma once

#include "../model/finding.h"
#include "../model/observation.h"
#include "../model/prediction.h"

#include <vector>

// Every rule, in the order of their codes.
const std::vector<Rule> &Rules();

std::vector<Finding> CollectFindings(const Observation &observation, const Prediction &prediction);

// kExitError when a finding is an error, or a warning under strict; otherwise kExitWorks.
int ExitStatus(const std::vector<Finding> &findings, bool strict);
