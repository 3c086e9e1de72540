// The package descriptor: section "autorun" of autorun.inf beside the loader.
#include "loader.h"

#include <windows.h>

// The profile function's value, or, when it gives none, the one in the file's own bytes: a
// machine that maps autorun.inf to the registry (an anti-AutoRun setting) has the profile
// functions read nothing, and the file is then read as they read a file nothing maps. Where they
// read the file itself, a value they do not find is not in the file either, so that second
// reading changes nothing there. Each cuts an overlong value to size - 1 characters and
// terminates it. Always inlined: the loader calls it only from its descriptor read, and a call of
// its own would cost the loader bytes.
__attribute__((always_inline)) static inline int
ReadValue(const char *descriptorPath, const char *key, char *value, unsigned int size) {
    int length = static_cast<int>(
        GetPrivateProfileStringA(kDescriptorSection, key, "", value, size, descriptorPath));
    return length > 0 ? length
                      : ReadIniFileValue(descriptorPath, kDescriptorSection, key, value, size);
}

int ReadDescriptorValue(const char *descriptorPath, const char *key, char *value,
                        unsigned int size) {
    return ReadValue(descriptorPath, key, value, size);
}

int ReadPackageDescriptor(const char *descriptorPath, PackageDescriptor *descriptor,
                          int *missingKey) {
    const DWORD sizes[kDescriptorKeyCount] = {sizeof(descriptor->RuntimePackage) - 1,
                                              sizeof(descriptor->RegPath) - 1,
                                              kDescriptorVersionSize};
    // The reads stop at the first value that is missing or empty; later fields stay empty.
    for (int index = 0; index < kDescriptorKeyCount; ++index) {
        if (ReadValue(descriptorPath, kDescriptorKeys[index], DescriptorField(descriptor, index),
                      sizes[index]) == 0) {
            *missingKey = index;
            return 0;
        }
    }
    return 1;
}
