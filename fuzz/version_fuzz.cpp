// Two arbitrary texts through NormalizeVersion and CompareVersions.
#include "loader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kCanary = 16;

// Nothing past the 33 characters is written; a rejected text leaves the output untouched; an
// accepted one is terminated within it.
void CheckNormalize(const std::string &text) {
    char buffer[kVersionCapacity + kCanary];
    memset(buffer, '#', sizeof(buffer));
    int result = NormalizeVersion(text.c_str(), buffer);
    for (int i = kVersionCapacity; i < kVersionCapacity + kCanary; ++i) {
        if (buffer[i] != '#') {
            abort();
        }
    }
    if (result == 0) {
        for (int i = 0; i < kVersionCapacity; ++i) {
            if (buffer[i] != '#') {
                abort();
            }
        }
    } else if (result != 1 || memchr(buffer, '\0', kVersionCapacity) == nullptr) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The two texts are separated by the first zero byte.
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t split = input.find('\0');
    std::string first = input.substr(0, split);
    std::string second = split == std::string::npos ? std::string() : input.substr(split + 1);
    second = second.substr(0, second.find('\0'));

    CheckNormalize(first);
    CheckNormalize(second);
    int forward = CompareVersions(first.c_str(), second.c_str());
    int backward = CompareVersions(second.c_str(), first.c_str());
    if ((forward > 0) != (backward < 0) || (forward == 0) != (backward == 0)) {
        abort();
    }
    if (CompareVersions(first.c_str(), first.c_str()) != 0) {
        abort();
    }
    return 0;
}
