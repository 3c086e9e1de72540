// The prediction of one start of the loader, and of the next one: a pure function of what was
// observed, every decision asked of the loader core.
#pragma once

#include "../model/observation.h"
#include "../model/prediction.h"

#include <string>

Prediction Predict(const Observation &observation);

// What an MSI's Registry rows leave at HKLM\Software\<regPath>, value Version.
// loaderView is the view the loader reads: 32 for the shipped loader.
PackageRecords PredictPackageRecords(const MsiContents &msi, const std::string &regPath,
                                     int loaderView);

// What the loader's ordering makes of a version text.
VersionReading DescribeVersion(const std::string &text);
