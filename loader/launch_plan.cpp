// Where the run launches the package from: the staging copy in the temporary directory when the
// package may be staged there, otherwise the package where it lies beside the loader.
#include "loader.h"
#include "paths.h"

#include <windows.h>

int FormStagingPath(const char *tempPath, const char *runtimePackage, char *stagingPath) {
    // No temporary directory, or a name that would leave it: staging elsewhere would delete and
    // overwrite a file that is not the loader's.
    int length = lstrlenA(tempPath);
    if (length == 0 || length >= kPathCapacity) {
        return kNoTempDirectory;
    }
    if (!IsNameBelowDirectory(runtimePackage)) {
        return kNameLeavesDirectory;
    }
    char tempDirectory[kPathCapacity] = {0};
    lstrcpyA(tempDirectory, tempPath);
    if (tempDirectory[length - 1] == '\\') {
        tempDirectory[length - 1] = '\0';
    }
    // JoinPath's 1 and 0 are kStaged and kStagingPathTooLong.
    return JoinPath(stagingPath, kPathCapacity, tempDirectory, runtimePackage);
}

int PlanLaunch(const char *programDirectory, const char *tempPath,
               const PackageDescriptor *descriptor, LaunchPlan *plan) {
    // The staging path is formed first; a staging path that cannot be formed stays empty.
    plan->Staging = FormStagingPath(tempPath, descriptor->RuntimePackage, plan->StagingPath);
    return JoinPath(plan->SourcePath, kPathCapacity, programDirectory, descriptor->RuntimePackage);
}
