// The package descriptor: section "autorun" of autorun.inf beside the loader.
#include "loader.h"

#include <windows.h>

// Reads one key into field; the reader cuts an overlong value to size - 1 characters and
// always terminates it. 1 when at least one character was read.
static int ReadDescriptorValue(const char *descriptorPath, const char *key, char *field,
                               DWORD size) {
    return GetPrivateProfileStringA(kDescriptorSection, key, "", field, size, descriptorPath) > 0;
}

int ReadPackageDescriptor(const char *descriptorPath, PackageDescriptor *descriptor,
                          int *missingKey) {
    char *fields[kDescriptorKeyCount] = {descriptor->RuntimePackage, descriptor->RegPath,
                                         descriptor->Version};
    const DWORD sizes[kDescriptorKeyCount] = {sizeof(descriptor->RuntimePackage) - 1,
                                              sizeof(descriptor->RegPath) - 1,
                                              kDescriptorVersionSize};
    // The reads stop at the first value that is missing or empty; later fields stay empty.
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        if (!ReadDescriptorValue(descriptorPath, kDescriptorKeys[key], fields[key], sizes[key])) {
            *missingKey = key;
            return 0;
        }
    }
    return 1;
}
