// The prediction of one start of the loader, and of the next one: a pure function of what was
// observed and what the command line gives, every decision asked of the loader core.
#pragma once

#include "../model/observation.h"
#include "../model/prediction.h"

#include <optional>
#include <string>

// What the command line gives in place of the machine: the installed version's text, or that
// nothing is installed; and what the package records once it has run.
struct GivenRecords {
    bool installedGiven = false;
    std::optional<std::string> installed; // with installedGiven: nothing means nothing installed
    std::optional<std::string> records;
};

Prediction Predict(const Observation &observation, const GivenRecords &given);

// A text taken as the loader's reader takes a REG_SZ value holding it, with the same sub-key
// rule; no text means nothing is installed.
Record GivenRecord(const std::string &regPath, const std::optional<std::string> &text);

// A value "Version" whose data are these bytes (as RegQueryValueExA returns them, of any type),
// taken as the loader's reader takes it; no data means no value.
Record StoredRecord(const std::string &regPath, const std::optional<std::string> &data);

// What an MSI's Registry rows leave at HKLM\Software\<regPath>, value Version.
// loaderView is the view the loader reads: 32 for the shipped loader.
PackageRecords PredictPackageRecords(const MsiContents &msi, const std::string &regPath,
                                     int loaderView);

// What the loader's ordering makes of a version text.
VersionReading DescribeVersion(const std::string &text);
