// The findings: the checks that draw them from what was observed and predicted, one file per group
// of codes. What a finding says is its rule's row in the catalog.
#pragma once

#include "../model/finding.h"
#include "../model/observation.h"
#include "../model/prediction.h"

#include <vector>

std::vector<Finding> CollectFindings(const Observation &observation, const Prediction &prediction);

// Whether a finding at this severity fails the check: errors always, warnings when strict.
bool Fails(const std::vector<Finding> &findings, bool strict);
