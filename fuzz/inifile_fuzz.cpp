// Arbitrary bytes as autorun.inf, in an ANSI code page the first byte picks: the loader's own
// reading of the file must give exactly what the simulated profile function gives, value by
// value and for the descriptor as a whole, with nothing written past a field.
#include "loader.h"

#include <winsim.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kPath[] = "C:\\Medium\\autorun.inf";
const char kMapping[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf";
const UINT kCodePages[] = {1252, 932, 936};

void Check(bool holds) {
    if (!holds) {
        abort();
    }
}

// One value both ways, in a field of size characters with a canary after it. The field's
// characters after the terminator are the readers' own.
void CompareValue(const char *key, DWORD size) {
    char profile[300];
    char own[300];
    memset(profile, '#', sizeof(profile));
    memset(own, '#', sizeof(own));
    DWORD copied = GetPrivateProfileStringA(kDescriptorSection, key, "", profile, size, kPath);
    int read = ReadIniFileValue(kPath, kDescriptorSection, key, own, size);
    Check(static_cast<DWORD>(read) == copied);
    Check(memcmp(profile, own, copied + 1) == 0);
    for (size_t i = size; i < sizeof(own); ++i) {
        Check(own[i] == '#');
    }
}

struct Read {
    int result;
    int missingKey;
    PackageDescriptor descriptor;
};

Read ReadDescriptor() {
    Read read;
    memset(&read, 0, sizeof(read));
    read.missingKey = -1;
    read.result = ReadPackageDescriptor(kPath, &read.descriptor, &read.missingKey);
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string file(reinterpret_cast<const char *>(data) + 1, size - 1);
    winsim::Reset();
    winsim::SetCodePage(kCodePages[data[0] % 3]);
    winsim::AddFile(kPath, file);

    // The sizes the loader gives, and small ones that cut a quoted value.
    const DWORD sizes[] = {kDescriptorCapacity - 1, kDescriptorVersionSize, 1u + data[0] % 8};
    for (const char *key : kDescriptorKeys) {
        for (DWORD fieldSize : sizes) {
            CompareValue(key, fieldSize);
        }
    }
    char names[4096] = {0};
    DWORD length = GetPrivateProfileSectionNamesA(names, sizeof(names), kPath);
    bool listed = false;
    for (DWORD at = 0; at < length; at += strlen(&names[at]) + 1) {
        listed = listed || lstrcmpiA(&names[at], kDescriptorSection) == 0;
    }
    // A list cut short may lose the section's name.
    Check(listed == (HasIniFileSection(kPath, kDescriptorSection) != 0) ||
          length == sizeof(names) - 2);

    // Where the profile functions read the file, and where they read nothing of it.
    const Read profile = ReadDescriptor();
    winsim::SetTextValue(kMapping, "", "@SYS:DoesNotExist");
    const Read own = ReadDescriptor();
    Check(profile.result == own.result && profile.missingKey == own.missingKey);
    for (int i = 0; i < kDescriptorKeyCount; ++i) {
        const char *fields[2][3] = {
            {profile.descriptor.RuntimePackage, profile.descriptor.RegPath,
             profile.descriptor.Version},
            {own.descriptor.RuntimePackage, own.descriptor.RegPath, own.descriptor.Version}};
        Check(strcmp(fields[0][i], fields[1][i]) == 0);
    }
    return 0;
}
