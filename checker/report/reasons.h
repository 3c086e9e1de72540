// The reasons the reports give for a decision and a launch, and for a record that was not read:
// each sentence ties a value to what the loader does with it. Text and JSON give the same.
#pragma once

#include "../model/observation.h"
#include "../model/prediction.h"

#include <string>

std::string RecordKey(const Record &record); // HKLM\Software\<RegPath>
// The same, and its view where there are views (0 for none).
std::string RegistryKeyText(const std::string &regPath, int view);
std::string NotRead(const Record &record); // why the loader's reader read no version
std::string ViewName(int view);            // "32", "64", or "" for none
// WinVerifyTrust's answer as winerror.h writes it ("0x800B0101"); "" for none.
std::string AnswerCode(const Signature &signature);

// Why the run ends as it does; reading is the record the decision read, if any.
std::string DecisionReason(const Decision &decision, const VersionReading &travelling,
                           const Reading *reading);
std::string LaunchReason(const PackageLaunch &launch);
// Why the next start is not known, where the package's records cannot be read.
inline constexpr char kNextUnknown[] =
    "the check cannot read what the package records; --records gives it";
