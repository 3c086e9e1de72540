// Arbitrary bytes and type as the value "Version" through QueryInstalledVersion and the whole
// run's install decision.
#include "loader.h"
#include "medium.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_NONE};
    DWORD type = types[data[0] % (sizeof(types) / sizeof(types[0]))];
    std::string bytes(reinterpret_cast<const char *>(data + 1), size - 1);

    medium::LayOut();
    winsim::SetValue(medium::kKey, "Version", type, bytes);

    char buffer[kVersionCapacity + 16];
    memset(buffer, 0, kVersionCapacity);
    memset(buffer + kVersionCapacity, '#', 16);
    int result = QueryInstalledVersion(medium::kRegPath, buffer);
    for (int i = kVersionCapacity; i < kVersionCapacity + 16; ++i) {
        if (buffer[i] != '#') {
            abort();
        }
    }
    if (memchr(buffer, '\0', kVersionCapacity) == nullptr || winsim::OpenKeyCount() != 0) {
        abort();
    }
    // Data over 260 bytes are not read.
    if (bytes.size() > 260 && result != 0) {
        abort();
    }

    // The run installs exactly when nothing readable is installed or the medium's version orders
    // after the installed one.
    bool due = result == 0 || CompareVersions("2.1.0.5", buffer) > 0;
    winsim::Reset();
    medium::LayOut();
    winsim::SetValue(medium::kKey, "Version", type, bytes);
    if (medium::RunLoader() != 0 || winsim::Launches().size() != (due ? 1u : 0u)) {
        abort();
    }
    return 0;
}
