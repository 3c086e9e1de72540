// What a package records, where Windows puts it: on 64-bit Windows the view by the writer's
// bitness and an explicit WOW6432Node, names matched without regard to case; then which of the
// values the loader reads.
#include "predict.h"

#include "../model/ascii.h"

#include <loader.h>

#include <cstring>

namespace {

// Below Software, the key where the 64-bit view keeps the 32-bit one.
const char kWow64Node[] = "WOW6432Node\\";

bool SameName(const std::string &first, const std::string &second) {
    return AsciiLower(first) == AsciiLower(second);
}

// On 64-bit Windows a writer writes the view of its bitness; below Software, WOW6432Node names the
// 32-bit view's Software, from a 64-bit writer as from a 32-bit one, which the redirector sends
// there (Wine's test_redirection, which runs on Windows). 32-bit Windows has one registry, the
// loader's, and takes the node as a key of that name.
int ViewOf(int writerBits, int machineBits, int loaderView, std::string *key, bool *throughNode) {
    const std::string node = std::string(kSoftwareKey) + "\\" + kWow64Node;
    if (machineBits != 64) {
        return loaderView;
    }
    if (!SameName(key->substr(0, node.size()), node)) {
        return writerBits == 64 ? 64 : 32;
    }
    key->erase(std::strlen(kSoftwareKey) + 1, std::strlen(kWow64Node));
    *throughNode = true;
    return 32;
}

Landing LandingOf(const PackageWrite &write, bool loaderKey, bool loaderName, int loaderView) {
    if (!loaderKey) {
        return Landing::OtherKey;
    }
    if (!loaderName) {
        return Landing::OtherName;
    }
    if (write.record.hive != Hive::LocalMachine) {
        return Landing::UserHive;
    }
    if (write.view != loaderView) {
        return Landing::OtherView;
    }
    return Landing::Loader;
}

} // namespace

PackageRecords PredictPackageRecords(const PackageRecording &recording, const std::string &regPath,
                                     int loaderView, int machineBits) {
    PackageRecords records;
    // The key the loader opens; none where Software\<RegPath> does not fit its buffer.
    char subKey[kSubKeyCapacity] = {0};
    const bool keyFits = FormInstalledKey(regPath.c_str(), subKey);
    const std::string loaderKey = subKey;
    for (const PackageRecord &record : recording.records) {
        PackageWrite write;
        write.record = record;
        write.key = record.key;
        write.view =
            ViewOf(record.writerBits, machineBits, loaderView, &write.key, &write.throughNode);
        write.data = record.bytes.substr(0, record.bytes.find('\0'));
        const bool sameKey = keyFits && SameName(write.key, loaderKey);
        const bool sameName = SameName(record.name, kVersionValue);
        if (!sameKey && !sameName) {
            continue;
        }
        write.landing = LandingOf(write, sameKey, sameName, loaderView);
        records.writes.push_back(write);
        if (!records.write && write.landing == Landing::Loader) {
            records.write = write;
        }
    }
    return records;
}
