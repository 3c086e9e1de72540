// A text from the command line, taken exactly as the loader's reader would take it from the
// registry: the sub-key rule first, then the size it reads, then TakeInstalledVersion.
#include "predict.h"

#include <loader.h>

Record GivenRecord(const std::string &regPath, const std::optional<std::string> &text) {
    Record record;
    record.source = RecordSource::Given;
    record.regPath = regPath;
    record.stored = text.value_or("");
    char subKey[kSubKeyCapacity] = {0};
    if (!FormInstalledKey(regPath.c_str(), subKey)) {
        record.state = RecordState::KeyTooLong;
        return record;
    }
    if (!text) {
        record.state = RecordState::NotInstalled;
        return record;
    }
    // Stored as REG_SZ, the text counts its terminator; data over what the loader reads are not
    // read at all.
    if (text->size() + 1 > kInstalledDataSize) {
        record.state = RecordState::TooLong;
        return record;
    }
    record.state = RecordState::Present;
    record.read = 1;
    char installedVersion[kVersionCapacity] = {0};
    TakeInstalledVersion(text->c_str(), installedVersion);
    record.version = installedVersion;
    return record;
}
