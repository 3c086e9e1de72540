// Where the run launches the package from: a copy alone in a new directory of the temporary
// directory when the package may be staged there, otherwise the package where it lies beside the
// loader.
#include "loader.h"
#include "paths.h"

#include <windows.h>

// Forms the staging directory and the copy's path in it; kStaged, or why there is no staging, and
// then both stay empty.
static int FormStagingPaths(const char *tempPath, const char *runtimePackage, unsigned int number,
                            LaunchPlan *plan) {
    // No temporary directory, or a name that would leave the directory it is joined to: a copy
    // elsewhere would write where the loader has no business.
    int length = lstrlenA(tempPath);
    if (length == 0 || length >= kPathCapacity) {
        return kNoTempDirectory;
    }
    if (!IsNameBelowDirectory(runtimePackage)) {
        return kNameLeavesDirectory;
    }
    // A new directory holds no sub-directory for the copy to go in.
    if (NamesSubDirectory(runtimePackage)) {
        return kNameInSubDirectory;
    }
    // The directory's path: the temporary directory without its trailing backslash, a backslash
    // and the name; its length is fixed, so whether the copy's path fits is known beforehand.
    int end = length - (tempPath[length - 1] == '\\' ? 1 : 0) + 1 + kStagingNameLength;
    if (end + 1 + lstrlenA(runtimePackage) + 1 > kPathCapacity) {
        return kStagingPathTooLong;
    }
    lstrcpyA(plan->StagingDirectory, tempPath);
    lstrcpyA(plan->StagingDirectory + end - kStagingNameLength - 1, "\\CL00000000");
    JoinPath(plan->StagingPath, kPathCapacity, plan->StagingDirectory, runtimePackage);
    // The number's eight hexadecimal digits over the name's zeros, in both paths.
    for (int i = end - 1; i >= end - (kStagingNameLength - 2); --i) {
        plan->StagingDirectory[i] = plan->StagingPath[i] = "0123456789ABCDEF"[number & 0xF];
        number >>= 4;
    }
    return kStaged;
}

int PlanLaunch(const char *programDirectory, const char *tempPath,
               const PackageDescriptor *descriptor, unsigned int number, LaunchPlan *plan) {
    // The staging paths are formed first; where they cannot be, they stay empty.
    plan->Staging = FormStagingPaths(tempPath, descriptor->RuntimePackage, number, plan);
    return JoinPath(plan->SourcePath, kPathCapacity, programDirectory, descriptor->RuntimePackage);
}
