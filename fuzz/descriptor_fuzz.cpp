// Arbitrary bytes as autorun.inf through ReadPackageDescriptor on the simulated Windows.
#include "loader.h"

#include <winsim.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

size_t BoundedLength(const char *field, size_t capacity) {
    const void *end = memchr(field, '\0', capacity);
    if (end == nullptr) {
        abort(); // unterminated
    }
    return static_cast<const char *>(end) - field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    winsim::Reset();
    winsim::AddFile("C:\\Medium\\autorun.inf",
                    std::string(reinterpret_cast<const char *>(data), size));

    struct {
        PackageDescriptor descriptor;
        char canary[16];
    } guarded;
    memset(&guarded, 0, sizeof(guarded.descriptor));
    memset(guarded.canary, '#', sizeof(guarded.canary));
    int missingKey = -1;
    int result = ReadPackageDescriptor("C:\\Medium\\autorun.inf", &guarded.descriptor, &missingKey);

    const PackageDescriptor &d = guarded.descriptor;
    size_t package = BoundedLength(d.RuntimePackage, sizeof(d.RuntimePackage));
    size_t regPath = BoundedLength(d.RegPath, sizeof(d.RegPath));
    size_t version = BoundedLength(d.Version, sizeof(d.Version));
    // Cut at 259, 259 and 31 characters.
    if (package > 259 || regPath > 259 || version > 31) {
        abort();
    }
    // The reads stop at the first value that yields nothing.
    if ((package == 0 && (regPath != 0 || version != 0)) || (regPath == 0 && version != 0)) {
        abort();
    }
    if (result != (package > 0 && regPath > 0 && version > 0 ? 1 : 0)) {
        abort();
    }
    // A failed read names the value it stopped at.
    if (result == 0 && missingKey != (package == 0 ? 0 : regPath == 0 ? 1 : 2)) {
        abort();
    }
    for (char c : guarded.canary) {
        if (c != '#') {
            abort();
        }
    }
    return 0;
}
