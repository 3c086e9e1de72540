// The mapping key of autorun.inf and its default value, read through the registry calls, which
// the build machine's simulated Windows answers too.
#include "mapping.h"

#include <loader.h>
#include <windows.h>

#include <vector>

std::string DescriptorMappingPath() {
    return std::string("Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\") + kDescriptorName;
}

std::optional<DescriptorMapping> ReadDescriptorMapping(unsigned int viewFlag) {
    const std::string subKey = std::string(kSoftwareKey) + "\\" + DescriptorMappingPath();
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE | viewFlag, &key) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    DescriptorMapping mapping;
    mapping.key = DescriptorMappingPath();
    DWORD size = 0;
    DWORD type = REG_NONE;
    // The default value maps the whole file; a key without one maps sections one by one.
    if (RegQueryValueExA(key, "", NULL, &type, NULL, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::vector<char> data(size + 1, '\0');
        if (RegQueryValueExA(key, "", NULL, NULL, reinterpret_cast<LPBYTE>(data.data()), &size) ==
            ERROR_SUCCESS) {
            mapping.mapsTo = data.data();
        }
    }
    RegCloseKey(key);
    return mapping;
}
