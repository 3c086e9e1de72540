// Windows: this machine's registry in a view. The value is read once, and taken from its bytes as
// the loader's own reader takes them; the registry's answers say why it got what it got.
#include "record_reading.h"
#include "registry.h"

#include <loader.h>
#include <windows.h>

#include <vector>

namespace {

unsigned int ViewFlag(int view) {
    return view == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

// The value "Version" under the key as RegQueryValueExA returns its bytes, or why there are none.
RecordState ReadValue(const char *subKey, unsigned int view, std::optional<std::string> *data) {
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
        std::vector<char> bytes(size + 1, '\0');
        if (RegQueryValueExA(key, kVersionValue, NULL, NULL, reinterpret_cast<LPBYTE>(bytes.data()),
                             &size) == ERROR_SUCCESS) {
            *data = std::string(bytes.data(), size);
            state = RecordState::Present;
        }
    }
    RegCloseKey(key);
    return state;
}

} // namespace

std::optional<Record> ReadRecord(const std::string &regPath, int view) {
    char subKey[kSubKeyCapacity] = {0};
    std::optional<std::string> data;
    const RecordState state = FormInstalledKey(regPath.c_str(), subKey)
                                  ? ReadValue(subKey, ViewFlag(view), &data)
                                  : RecordState::KeyTooLong;
    Record record = StoredRecord(regPath, data);
    if (!data) {
        record.state = state;
    }
    record.source = RecordSource::Registry;
    record.view = view;
    return record;
}
