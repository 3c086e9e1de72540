// The prediction of one start of the loader, and of the next one: a pure function of what was
// observed and what the command line says the package records, every decision asked of the loader
// core.
#pragma once

#include "../model/observation.h"
#include "../model/prediction.h"
#include "../observe/record_reading.h"

#include <optional>
#include <string>
#include <vector>

// records: what the command line says the package records once it has run, if it says.
Prediction Predict(const Observation &observation, const std::optional<std::string> &records);

// Where what a package records lands against HKLM\Software\<regPath>, value Version, on Windows
// of machineBits; loaderView is the view the loader reads: 32 for the shipped loader.
PackageRecords PredictPackageRecords(const PackageRecording &recording, const std::string &regPath,
                                     int loaderView, int machineBits);

// Why the package, launched as planned, installs nothing: each cause; none where it can install.
std::vector<InstallFailure> PredictInstallFailures(const PackageFacts &package,
                                                   const PackageLaunch &launch);

// What the loader's ordering makes of a version text.
VersionReading DescribeVersion(const std::string &text);
