// A record taken exactly as the loader's reader would take it from the registry: the sub-key rule
// first, then the size it reads, then the bytes RegQueryValueExA leaves in its buffer, through
// TakeInstalledVersion.
#include "record_reading.h"

#include <loader.h>

Record StoredRecord(const std::string &regPath, const std::optional<std::string> &data) {
    Record record;
    record.source = RecordSource::Given;
    record.regPath = regPath;
    record.stored = data ? data->substr(0, data->find('\0')) : "";
    char subKey[kSubKeyCapacity] = {0};
    if (!FormInstalledKey(regPath.c_str(), subKey)) {
        record.state = RecordState::KeyTooLong;
        return record;
    }
    if (!data) {
        record.state = RecordState::NotInstalled;
        return record;
    }
    // Data over what the loader reads are not read at all (ERROR_MORE_DATA).
    if (data->size() > kInstalledDataSize) {
        record.state = RecordState::TooLong;
        return record;
    }
    record.state = RecordState::Present;
    record.read = 1;
    // The reader's zero-filled buffer, one byte longer than the size it announces.
    char buffer[kInstalledDataSize + 1] = {0};
    data->copy(buffer, data->size());
    char installedVersion[kVersionCapacity] = {0};
    TakeInstalledVersion(buffer, installedVersion);
    record.version = installedVersion;
    return record;
}

Record GivenRecord(const std::string &regPath, const std::optional<std::string> &text) {
    // Stored as REG_SZ, the text counts its terminator.
    return StoredRecord(regPath, text ? std::optional<std::string>(*text + '\0') : std::nullopt);
}
