// Where the install the loader launches fails whatever the package records: Windows Installer
// finds no source for files that lie beside a staged copy, and a write to HKLM fails without
// elevation, which rolls the install back.
#include "predict.h"

#include <algorithm>

std::vector<InstallFailure> PredictInstallFailures(const PackageFacts &package,
                                                   const PackageLaunch &launch) {
    std::vector<InstallFailure> failures;
    if (launch.site == LaunchSite::Nowhere) {
        return failures;
    }
    // The source is the directory the package runs from: on the medium, what lies beside it
    // there is found.
    if (package.external && !package.external->empty() && launch.site == LaunchSite::Staging) {
        failures.push_back(InstallFailure::SourceMissing);
    }
    if (package.recording && package.recording->unelevated &&
        std::any_of(
            package.recording->records.begin(), package.recording->records.end(),
            [](const PackageRecord &record) { return record.hive == Hive::LocalMachine; })) {
        failures.push_back(InstallFailure::CannotWriteMachine);
    }
    return failures;
}
