// Every sentence the reports print: the reasons of decisions and placements, the message of each
// finding, and the stable names of states in the JSON report.
#pragma once

#include "../model/finding.h"
#include "../model/observation.h"
#include "../model/prediction.h"

#include <string>

std::string RecordKey(const Record &record);   // HKLM\Software\<RegPath>
std::string RecordPlace(const Record &record); // the key, and its view where there are views
std::string NotRead(const Record &record);     // why the loader's reader read no version
std::string ViewName(int view);                // "32", "64", or "" for none

std::string WhereText(const Subject &subject);
// The compilers' place of a finding: the file from the current directory, its line and column.
std::string PlaceText(const Subject &subject, const Observation &observation);
// Each rule's why and fix, in a sentence or two, as the publisher's guide gives them.
std::string RuleHelp(const Rule &rule);
std::string FindingMessage(const Finding &finding, const Prediction &prediction);

// Why the run ends as it does; reading is the record the decision read, if any.
std::string DecisionReason(const Decision &decision, const VersionReading &travelling,
                           const Reading *reading);
std::string PlacementReason(const Placement &placement);
// A signature as the text report shows it: its verdict, the signer and the time-stamp.
std::string SignatureText(const Signature &signature);

const char *SeverityName(Severity severity);
const char *EndName(End end);
const char *StateName(RecordState state);
const char *PlaceName(Place place);
const char *SourceName(RecordSource source);
const char *SignatureStateName(SignatureState state);
