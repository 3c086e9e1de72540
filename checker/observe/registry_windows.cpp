// Windows: this machine's registry in a view, through the loader's own reader; the platform's
// registry calls only say why the reader got what it got.
#include "registry.h"

#include <loader.h>
#include <windows.h>

#include <vector>

namespace {

unsigned int ViewFlag(int view) {
    return view == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

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
    if (RegQueryValueExA(key, kVersionValue, NULL, NULL, NULL, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1, '\0');
        if (RegQueryValueExA(key, kVersionValue, NULL, NULL, reinterpret_cast<LPBYTE>(data.data()),
                             &size) == ERROR_SUCCESS) {
            *stored = data.data();
            state = size > kInstalledDataSize ? RecordState::TooLong : RecordState::Present;
        }
    }
    RegCloseKey(key);
    return state;
}

} // namespace

std::optional<Record> ReadRecord(const std::string &regPath, int view) {
    Record record;
    record.source = RecordSource::Registry;
    record.view = view;
    record.regPath = regPath;
    char subKey[kSubKeyCapacity] = {0};
    record.state = FormInstalledKey(regPath.c_str(), subKey)
                       ? InspectValue(subKey, ViewFlag(view), &record.stored)
                       : RecordState::KeyTooLong;
    char installedVersion[kVersionCapacity] = {0};
    record.read = QueryInstalledVersionInView(regPath.c_str(), ViewFlag(view), installedVersion);
    record.version = installedVersion;
    return record;
}
