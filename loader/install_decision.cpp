// The run's install decision, shared with the medium checker.
#include "loader.h"

int IsInstallDue(const PackageDescriptor *descriptor, int installedRead,
                 const char *installedVersion) {
    return !installedRead || CompareVersions(descriptor->Version, installedVersion) > 0;
}
