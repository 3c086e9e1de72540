// What every report says of a finding and a rule: the finding's sentence, from its rule's row,
// and where it is.
#pragma once

#include "../model/finding.h"
#include "../model/observation.h"
#include "../model/prediction.h"

#include <string>

// The rule's message with the finding's values in their places.
std::string MessageText(const Finding &finding, const Prediction &prediction);

// Markdown as plain text: the backticks around code dropped.
std::string PlainText(const char *markdown);

// What a finding is about, in words: the file, the key, the value of autorun.inf.
std::string WhereText(const Subject &subject);
// The compilers' location of a finding: the file from the current directory, its line and column.
std::string LocationText(const Subject &subject, const Observation &observation);
