// The installed-version record, read by the loader's own reader, and looked at with the
// platform's registry calls only to say why the reader got what it got.
#include "machine.h"

#include <paths.h>
#include <windows.h>

#include <vector>

namespace {

// The state of the value "Version" and its data as text (up to the first zero byte).
RecordState InspectValue(const char *subKey, unsigned int view, std::string *stored) {
    HKEY key = NULL;
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE | view, &key);
    if (status == ERROR_FILE_NOT_FOUND) {
        return RecordState::NoKey;
    }
    if (status != ERROR_SUCCESS) {
        return RecordState::Unopenable;
    }
    DWORD size = 0;
    RecordState state = RecordState::NoValue;
    if (RegQueryValueExA(key, "Version", NULL, NULL, NULL, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1, '\0');
        if (RegQueryValueExA(key, "Version", NULL, NULL, reinterpret_cast<LPBYTE>(data.data()),
                             &size) == ERROR_SUCCESS) {
            *stored = data.data();
            state = size > kInstalledDataSize ? RecordState::TooLong : RecordState::Present;
        }
    }
    RegCloseKey(key);
    return state;
}

} // namespace

InstalledReading ReadRegistryRecord(const std::string &regPath, unsigned int view,
                                    const std::string &viewName) {
    InstalledReading reading;
    reading.source = "registry";
    reading.view = viewName;
    reading.key = "HKLM\\Software\\" + regPath;
    char subKey[kSubKeyCapacity] = {0};
    reading.state = JoinPath(subKey, sizeof(subKey), "Software", regPath.c_str())
                        ? InspectValue(subKey, view, &reading.stored)
                        : RecordState::KeyTooLong;
    char installedVersion[kVersionCapacity] = {0};
    reading.read = QueryInstalledVersionInView(regPath.c_str(), view, installedVersion);
    reading.version = DescribeVersion(installedVersion);
    return reading;
}
