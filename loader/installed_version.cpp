// The installed-version record: value "Version" of HKEY_LOCAL_MACHINE\Software\<RegPath>.
#include "loader.h"
#include "paths.h"

#include <windows.h>

enum {
    kDataCapacity = kInstalledDataSize + 1 // one byte beyond the size announced stays zero
};

int QueryInstalledVersion(const char *regPath, char *installedVersion) {
    return QueryInstalledVersionInView(regPath, 0, installedVersion);
}

int FormInstalledKey(const char *regPath, char *subKey) {
    return JoinPath(subKey, kSubKeyCapacity, kSoftwareKey, regPath);
}

int QueryInstalledVersionInView(const char *regPath, unsigned int view, char *installedVersion) {
    char subKey[kSubKeyCapacity] = {0};
    if (!FormInstalledKey(regPath, subKey)) {
        return 0;
    }

    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE | view, &key) !=
        ERROR_SUCCESS) {
        return 0;
    }
    char data[kDataCapacity] = {0};
    DWORD size = kInstalledDataSize;
    LSTATUS status =
        RegQueryValueExA(key, kVersionValue, NULL, NULL, reinterpret_cast<LPBYTE>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return 0;
    }
    // The data are terminated by the spare byte even when stored without a terminator.
    TakeInstalledVersion(data, installedVersion);
    return 1;
}

void TakeInstalledVersion(const char *data, char *installedVersion) {
    // A text too long for the caller's buffer cannot be a version: it comes back empty, which
    // orders exactly as the whole text would (before every valid version).
    if (lstrlenA(data) >= kVersionCapacity) {
        installedVersion[0] = '\0';
    } else {
        lstrcpyA(installedVersion, data);
    }
}
