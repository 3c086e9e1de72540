// The two formatters of a prediction and its findings: aligned text for a person, JSON (with a
// schema in docs/medium-check.schema.json) for a pipeline.
#pragma once

#include "check.h"

#include <ostream>
#include <vector>

void PrintText(std::ostream &out, const Prediction &prediction,
               const std::vector<Finding> &findings);
void PrintJson(std::ostream &out, const Prediction &prediction,
               const std::vector<Finding> &findings, int exitStatus);

// Stable names of the report's states, shared by both formatters.
const char *EndName(End end);
const char *StateName(RecordState state);
const char *PlaceName(Place place);
