// The package descriptor: section "autorun" of autorun.inf beside the loader.
#include "loader.h"

#include <windows.h>

// Reads one key into field; the reader cuts an overlong value to size - 1 characters and
// always terminates it. 1 when at least one character was read.
static int ReadDescriptorValue(const char *descriptorPath, const char *key, char *field,
                               DWORD size) {
    return GetPrivateProfileStringA(kDescriptorSection, key, "", field, size, descriptorPath) > 0;
}

int ReadPackageDescriptor(const char *descriptorPath, PackageDescriptor *descriptor) {
    // The reads stop at the first value that is missing or empty; later fields stay empty.
    return ReadDescriptorValue(descriptorPath, kDescriptorKeys[0], descriptor->RuntimePackage,
                               sizeof(descriptor->RuntimePackage) - 1) &&
           ReadDescriptorValue(descriptorPath, kDescriptorKeys[1], descriptor->RegPath,
                               sizeof(descriptor->RegPath) - 1) &&
           ReadDescriptorValue(descriptorPath, kDescriptorKeys[2], descriptor->Version,
                               kDescriptorVersionSize);
}
