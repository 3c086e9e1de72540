// The run's install decision, shared with the medium checker.
#include "loader.h"

int IsInstallDue(const PackageDescriptor *descriptor, int installedRead,
                 const char *installedVersion) {
    // The versions are ordered only where one was read.
    return !installedRead ||
           IsDueByOrder(installedRead, CompareVersions(descriptor->Version, installedVersion));
}
