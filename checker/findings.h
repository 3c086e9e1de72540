// Findings drawn from a prediction, and the exit status they give.
#pragma once

#include "check.h"

#include <vector>

std::vector<Finding> CollectFindings(const Prediction &prediction);

// kExitError when a finding is an error, or a warning under strict; otherwise kExitWorks.
int ExitStatus(const std::vector<Finding> &findings, bool strict);

const char *SeverityName(Severity severity);
